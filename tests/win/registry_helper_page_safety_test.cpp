// The registry helper as a browser page drives it: once a safety option is enabled, it serves
// only the pages its site lock allows (judged by the machine's real zone mapping and policy),
// registry files come only from local drives, and a missing one answers as one without a match.
#include <windows.h>
#include <objsafe.h>
#include <oleauto.h>
#include <servprov.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fernwick.h"
#include "support/unique_automation_win32.h"
#include "support/unique_handles_win32.h"
#include "tests/support/com_apartment_win32.h"
#include "tests/support/debug_lines_win32.h"
#include "tests/support/policy_template.h"
#include "tests/support/stand_in_page_win32.h"
#include "tests/support/watchdog.h"

namespace {

using fernwick::tests::AddressRoute;
using fernwick::tests::DebugLines;
using fernwick::tests::PageCall;
using fernwick::tests::StandInPage;
using tolk::stdx::UniqueBstr;
using tolk::stdx::UniqueCom;
using tolk::stdx::UniqueHkey;

constexpr wchar_t kId[] = L"0900000000000b02";

constexpr wchar_t kZoneDomains[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\ZoneMap\\Domains";
constexpr wchar_t kPolicyParent[] = L"SOFTWARE\\Policies\\PexanFernwick";
constexpr wchar_t kPolicyKey[] = L"SOFTWARE\\Policies\\PexanFernwick\\SiteLock";

// Pages in the zones an administrator assigns to domains; every other site is in the Internet.
constexpr wchar_t kIntranetPage[] = L"http://portal.corp.example/webtop/component/main";
constexpr wchar_t kTrustedPage[] = L"https://docs.partner.example/webtop/";
constexpr wchar_t kRestrictedPage[] = L"https://www.blocked.example/";
constexpr wchar_t kInternetPage[] = L"http://www.elsewhere.example/webtop/";

UniqueHkey CreateKey(HKEY root, const std::wstring& path, REGSAM view = 0) {
    UniqueHkey key;
    EXPECT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    return key;
}

void SetDword(HKEY key, const wchar_t* name, DWORD value) {
    EXPECT_EQ(RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                             sizeof(value)),
              ERROR_SUCCESS);
}

// Entries as one REG_MULTI_SZ (or, to test a mistyped value, another type) value.
void SetSites(HKEY key, const std::vector<std::wstring>& sites, DWORD type = REG_MULTI_SZ) {
    std::wstring data;
    for (const std::wstring& site : sites) data += site + L'\0';
    data += L'\0';
    EXPECT_EQ(
        RegSetValueExW(key, L"AllowedSites", 0, type, reinterpret_cast<const BYTE*>(data.data()),
                       static_cast<DWORD>(data.size() * sizeof(wchar_t))),
        ERROR_SUCCESS);
}

void DeleteTree(HKEY root, const wchar_t* parent, const wchar_t* child, REGSAM view = 0) {
    UniqueHkey key;
    if (RegOpenKeyExW(root, parent, 0, KEY_ALL_ACCESS | view, key.put()) == ERROR_SUCCESS) {
        RegDeleteTreeW(key.get(), child);
    }
}

std::wstring FileAddress(const std::filesystem::path& path) {
    std::wstring address = L"file:///" + path.wstring();
    for (wchar_t& c : address) {
        if (c == L'\\') c = L'/';
    }
    return address;
}
// A network drive letter for a folder, made through Wine's mount manager (Windows has no such
// call): the folder's files then lie on that drive, whatever other name reaches them.
class WineNetworkDrive {
public:
    WineNetworkDrive(wchar_t letter, const std::filesystem::path& folder) : letter_(letter) {
        using UnixFileName = char*(CDECL*)(const wchar_t*);
        const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
        char* unixPath = unixFileName ? unixFileName(folder.c_str()) : nullptr;
        if (!unixPath) return;
        defined_ = Define(DRIVE_REMOTE, unixPath);
        HeapFree(GetProcessHeap(), 0, unixPath);
        // Wine's name lookups keep the list of drives for up to a second.
        for (int wait = 0; defined_ && wait < 30 && !ReachedThroughLetter(folder); ++wait) {
            Sleep(100);
        }
    }
    ~WineNetworkDrive() {
        if (defined_) Define(DRIVE_NO_ROOT_DIR, "");
    }
    WineNetworkDrive(const WineNetworkDrive&) = delete;
    WineNetworkDrive& operator=(const WineNetworkDrive&) = delete;

    bool Defined() const { return defined_; }

private:
    // The layout of the mount manager's request, followed by the Unix path.
    struct UnixDrive {
        ULONG size;
        ULONG type;
        ULONG fsType;
        DWORD serial;
        ULONGLONG unixDevice;
        WCHAR letter;
        USHORT mountPointOffset;
        USHORT deviceOffset;
        USHORT labelOffset;
    };
    static constexpr DWORD kDefineUnixDrive =
        CTL_CODE(0x6D, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

    bool ReachedThroughLetter(const std::filesystem::path& folder) const {
        const tolk::stdx::UniqueFileHandle opened(
            CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        wchar_t final[MAX_PATH] = L"";
        return opened && GetFinalPathNameByHandleW(opened.get(), final, MAX_PATH, 0) > 4 &&
               final[4] == letter_;
    }

    // An empty path with DRIVE_NO_ROOT_DIR removes the letter again.
    bool Define(ULONG type, const std::string& unixPath) const {
        std::vector<char> request(sizeof(UnixDrive) + unixPath.size() + 1);
        UnixDrive drive = {};
        drive.size = static_cast<ULONG>(request.size());
        drive.type = type;
        drive.letter = letter_;
        drive.mountPointOffset = unixPath.empty() ? 0 : sizeof(UnixDrive);
        std::memcpy(request.data(), &drive, sizeof drive);
        std::memcpy(request.data() + sizeof drive, unixPath.c_str(), unixPath.size() + 1);
        const tolk::stdx::UniqueFileHandle manager(
            CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
        DWORD returned = 0;
        return manager && DeviceIoControl(manager.get(), kDefineUnixDrive, request.data(),
                                          drive.size, nullptr, 0, &returned, nullptr);
    }

    const wchar_t letter_;
    bool defined_ = false;
};

class PageSafetyTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const std::wstring domains = kZoneDomains;
        SetDword(CreateKey(HKEY_CURRENT_USER, domains + L"\\corp.example").get(), L"http", 1);
        SetDword(CreateKey(HKEY_CURRENT_USER, domains + L"\\partner.example").get(), L"https", 2);
        SetDword(CreateKey(HKEY_CURRENT_USER, domains + L"\\blocked.example").get(), L"*", 4);
    }

    static void TearDownTestSuite() {
        for (const wchar_t* domain : {L"corp.example", L"partner.example", L"blocked.example"}) {
            DeleteTree(HKEY_CURRENT_USER, kZoneDomains, domain);
        }
    }

    void SetUp() override {
        ASSERT_EQ(apartment_.Entered(), S_OK);
        NewHelper();
        std::filesystem::create_directories(folder_);
        std::ofstream(folder_ / L"registry.txt", std::ios::binary)
            << "[documentum\\Common\\WorkingFiles\\0900000000000b02]\n"
               "FileName=C:\\Work\\Edit\\guide.xml\n";
        std::ofstream(folder_ / L"empty.txt", std::ios::binary) << "[other]\n";
        SetCurrentDirectoryW(folder_.c_str());
    }

    void TearDown() override {
        SetCurrentDirectoryW(L"C:\\");
        std::filesystem::remove_all(folder_);
        helper_.reset();
        ClearPolicy();
    }

    void NewHelper() {
        ASSERT_EQ(CoCreateInstance(CLSID_DocumentumRegistryHelper, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_PPV_ARGS(helper_.put())),
                  S_OK);
    }

    // What a browser asks before it lets a page script the object.
    HRESULT AskSafety(DWORD options) {
        UniqueCom<IObjectSafety> safety;
        EXPECT_EQ(
            helper_->QueryInterface(IID_IObjectSafety, reinterpret_cast<void**>(safety.put())),
            S_OK);
        return safety ? safety->SetInterfaceSafetyOptions(IID_IDispatch, kAllOptions, options)
                      : E_NOINTERFACE;
    }

    void SetSafety(DWORD options) { ASSERT_EQ(AskSafety(options), S_OK); }

    HRESULT SetSite(IUnknown* site) {
        UniqueCom<IObjectWithSite> withSite;
        EXPECT_EQ(
            helper_->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(withSite.put())),
            S_OK);
        return withSite ? withSite->SetSite(site) : E_NOINTERFACE;
    }

    // The machine policy in the 64-bit view, where both builds read it, and a decoy that allows
    // everything in the user's hive, where no policy counts.
    void SetPolicy(const std::vector<std::wstring>& sites, std::optional<DWORD> allowZones,
                   DWORD sitesType = REG_MULTI_SZ) {
        const UniqueHkey machine = CreateKey(HKEY_LOCAL_MACHINE, kPolicyKey, KEY_WOW64_64KEY);
        SetSites(machine.get(), sites, sitesType);
        if (allowZones) SetDword(machine.get(), L"AllowZones", *allowZones);
        const UniqueHkey decoy = CreateKey(HKEY_CURRENT_USER, kPolicyKey);
        SetSites(decoy.get(), {L"http://www.decoy.example", L"https://*.example"});
        SetDword(decoy.get(), L"AllowZones", 1);
    }

    static void ClearPolicy() {
        DeleteTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Policies", L"PexanFernwick", KEY_WOW64_64KEY);
        DeleteTree(HKEY_CURRENT_USER, L"SOFTWARE\\Policies", L"PexanFernwick");
    }

    // Whether a page at address (in a frame, with the browser's top-level page elsewhere) may
    // script the helper. The browser's question and the members' answers must agree: a refused
    // page, if it uses the object anyway, learns nothing.
    bool Serves(AddressRoute route, const std::wstring& address,
                std::optional<std::wstring> topLevel = std::nullopt) {
        StandInPage page(route, address, topLevel.value_or(address));
        SetSafety(0);
        EXPECT_EQ(SetSite(page.Site()), S_OK);
        const HRESULT asked = AskSafety(kAllOptions);
        if (asked != S_OK) {
            EXPECT_EQ(asked, E_FAIL);
        }
        const bool found = FindIn(file_);
        EXPECT_EQ(found, asked == S_OK);
        if (!found) {
            EXPECT_EQ(Everything(), kNothing);
        }
        SetSite(nullptr);
        EXPECT_EQ(page.References(), 0);
        return asked == S_OK;
    }

    // Sets the registry file and looks kId up in it.
    bool FindIn(const std::wstring& registryFile) {
        const UniqueBstr path(SysAllocString(registryFile.c_str()));
        const UniqueBstr id(SysAllocString(kId));
        EXPECT_EQ(helper_->put_RegistryFile(path.get()), S_OK);
        VARIANT_BOOL found = VARIANT_FALSE;
        EXPECT_EQ(helper_->InitFromObjectID(id.get(), &found), S_OK);
        return found == VARIANT_TRUE;
    }

    // The record as a caller reads it.
    std::wstring Record() {
        UniqueBstr id, fileName;
        helper_->get_ObjectID(id.put());
        helper_->get_FileName(fileName.put());
        VARIANT_BOOL edit = VARIANT_FALSE;
        helper_->IsOpenForEdit(&edit);
        return std::wstring(id.get()) + L"|" + fileName.get() + (edit ? L"|edit" : L"|none");
    }

    // Every member's answer.
    std::wstring Everything() {
        UniqueBstr texts[8];
        helper_->get_UserName(texts[0].put());
        helper_->get_DomainName(texts[1].put());
        helper_->get_DocbaseName(texts[2].put());
        helper_->get_User(texts[3].put());
        helper_->get_LastConnectedDocBaseName(texts[4].put());
        helper_->DetectUcfClientConfigXml(texts[5].put());
        helper_->get_ObjectID(texts[6].put());
        helper_->get_FileName(texts[7].put());
        VARIANT_BOOL edit = VARIANT_TRUE, view = VARIANT_TRUE;
        helper_->IsOpenForEdit(&edit);
        helper_->IsOpenForView(&view);
        std::wstring all = edit ? L"edit" : L"-";
        all += view ? L"|view" : L"|-";
        for (const UniqueBstr& text : texts)
            all += L"|" + std::wstring(text ? text.get() : L"null");
        return all;
    }

    static constexpr wchar_t kNothing[] = L"-|-||||||||";
    static constexpr DWORD kAllOptions =
        INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
    const std::filesystem::path folder_ = std::filesystem::temp_directory_path() / L"fernwick-page";
    const std::wstring file_ = (folder_ / L"registry.txt").wstring();
    // The same file named relative to the current folder and through the namespaces.
    const std::wstring otherNames_[3] = {L"registry.txt", L"\\\\?\\" + file_, L"\\\\.\\" + file_};

    // Reads from devices can wait forever.
    const fernwick::tests::Watchdog watchdog_{"A lookup", std::chrono::seconds(60)};
    const fernwick::ComApartment apartment_;
    UniqueCom<IDocumentumRegistryHelper> helper_;
};

TEST_F(PageSafetyTest, TrustedCallersReadEveryPathAndMissingFilesKeepTheRecord) {
    for (const std::wstring& path : otherNames_) {
        EXPECT_TRUE(FindIn(path)) << std::string(path.begin(), path.end());
    }
    const std::wstring found = Record();
    EXPECT_FALSE(FindIn((folder_ / L"missing.txt").wstring()));
    EXPECT_EQ(Record(), found);
}

TEST_F(PageSafetyTest, UntrustedPagesReadOnlyLocalDrivesAndCannotTellWhatIsMissing) {
    std::vector<std::wstring> refused(std::begin(otherNames_), std::end(otherNames_));
    refused.insert(refused.end(), {(folder_ / L"missing.txt").wstring(), L"COM1",
                                   L"\\\\localhost\\c$\\registry.txt"});
    const StandInPage intranet(AddressRoute::Browser, kIntranetPage);
    ASSERT_EQ(SetSite(intranet.Site()), S_OK);
    for (const DWORD options : {DWORD{INTERFACESAFE_FOR_UNTRUSTED_CALLER},
                                DWORD{INTERFACESAFE_FOR_UNTRUSTED_DATA}, kAllOptions}) {
        SetSafety(options);
        EXPECT_FALSE(FindIn((folder_ / L"empty.txt").wstring()));
        const std::wstring noMatch = Record();
        for (const std::wstring& path : refused) {
            ASSERT_TRUE(FindIn(file_));
            EXPECT_FALSE(FindIn(path)) << std::string(path.begin(), path.end());
            EXPECT_EQ(Record(), noMatch);
        }
    }
    SetSafety(0);
    EXPECT_TRUE(FindIn(otherNames_[0]));
}

TEST_F(PageSafetyTest, UntrustedCallersAreServedOnlyOnPagesOfAllowedZones) {
    const std::wstring localPage = FileAddress(folder_ / L"page.html");
    for (const AddressRoute route : {AddressRoute::Browser, AddressRoute::Document}) {
        EXPECT_TRUE(Serves(route, kIntranetPage));
        EXPECT_TRUE(Serves(route, kTrustedPage));
        EXPECT_TRUE(Serves(route, localPage));
        EXPECT_FALSE(Serves(route, kInternetPage));
        EXPECT_FALSE(Serves(route, kRestrictedPage));
        EXPECT_FALSE(Serves(route, L""));
    }
    EXPECT_FALSE(Serves(AddressRoute::None, kIntranetPage));

    // Without a site, the browser's question is answered but nothing is served.
    SetSafety(kAllOptions);
    EXPECT_FALSE(FindIn(file_));
    EXPECT_EQ(Everything(), kNothing);
}

TEST_F(PageSafetyTest, ThePolicyAllowsListedSitesInEveryZoneButRestricted) {
    SetPolicy({L"HTTP://WWW.Elsewhere.Example", L"https://*.cloud.example",
               L"http://apps.elsewhere.example:8080", kRestrictedPage, L"www.open.example",
               L"http://*", L"https://*cloud.example", L"http://open.example/webtop",
               L"http://open.example:0", L"http://user@open.example"},
              std::nullopt);
    for (const AddressRoute route : {AddressRoute::Browser, AddressRoute::Document}) {
        EXPECT_TRUE(Serves(route, kInternetPage));
        EXPECT_TRUE(Serves(route, kIntranetPage));
        EXPECT_TRUE(Serves(route, L"https://a.b.cloud.example/webtop"));
        EXPECT_TRUE(Serves(route, L"http://apps.elsewhere.example:8080/webtop"));
        EXPECT_FALSE(Serves(route, L"https://www.elsewhere.example/webtop/"));
        EXPECT_FALSE(Serves(route, L"https://cloud.example/webtop"));
        EXPECT_FALSE(Serves(route, L"http://apps.elsewhere.example/webtop"));
        EXPECT_FALSE(Serves(route, kRestrictedPage));
        EXPECT_FALSE(Serves(route, L"http://www.open.example/"));
        EXPECT_FALSE(Serves(route, L"http://open.example/webtop"));
        EXPECT_FALSE(Serves(route, L"http://www.decoy.example/"));
    }
}

TEST_F(PageSafetyTest, WithZonesTurnedOffOnlyListedSitesAreServed) {
    const std::wstring localPage = FileAddress(folder_ / L"page.html");
    SetPolicy({L"http://www.elsewhere.example"}, 0);
    EXPECT_TRUE(Serves(AddressRoute::Browser, kInternetPage));
    EXPECT_FALSE(Serves(AddressRoute::Browser, kIntranetPage));
    EXPECT_FALSE(Serves(AddressRoute::Document, kTrustedPage));
    EXPECT_FALSE(Serves(AddressRoute::Document, localPage));

    // A mistyped policy allows no more than the administrator meant.
    ClearPolicy();
    const UniqueHkey machine = CreateKey(HKEY_LOCAL_MACHINE, kPolicyKey, KEY_WOW64_64KEY);
    SetSites(machine.get(), {L"http://www.elsewhere.example"}, REG_SZ);
    const wchar_t off[] = L"0";
    ASSERT_EQ(RegSetValueExW(machine.get(), L"AllowZones", 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(off), sizeof(off)),
              ERROR_SUCCESS);
    EXPECT_FALSE(Serves(AddressRoute::Browser, kInternetPage));
    EXPECT_FALSE(Serves(AddressRoute::Browser, kIntranetPage));
}

TEST_F(PageSafetyTest, PagesAreJudgedAgainWhenTheyNavigateOrTheObjectIsResited) {
    StandInPage page(AddressRoute::Browser, kIntranetPage);
    const StandInPage elsewhere(AddressRoute::Document, kInternetPage);
    ASSERT_EQ(SetSite(page.Site()), S_OK);
    SetSafety(kAllOptions);
    ASSERT_TRUE(FindIn(file_));
    const std::wstring found = Record();
    const std::wstring everything = Everything();

    // A caller that turns its options off again is served on any page...
    SetSafety(0);
    ASSERT_EQ(SetSite(elsewhere.Site()), S_OK);
    EXPECT_EQ(Everything(), everything);
    ASSERT_EQ(SetSite(page.Site()), S_OK);
    SetSafety(kAllOptions);

    // Refused calls read nothing and change nothing: a lookup in a file without the entry
    // would reset the record.
    page.Navigate(kInternetPage);
    EXPECT_EQ(Everything(), kNothing);
    EXPECT_FALSE(FindIn((folder_ / L"empty.txt").wstring()));
    EXPECT_EQ(AskSafety(kAllOptions), E_FAIL);
    page.Navigate(kIntranetPage);
    EXPECT_EQ(Record(), found);
    EXPECT_EQ(Everything(), everything);

    ASSERT_EQ(SetSite(elsewhere.Site()), S_OK);
    EXPECT_EQ(Everything(), kNothing);
    ASSERT_EQ(SetSite(page.Site()), S_OK);
    EXPECT_EQ(Everything(), everything);

    // ...but not once it was refused an option.
    SetSafety(0);
    ASSERT_EQ(SetSite(elsewhere.Site()), S_OK);
    EXPECT_EQ(Everything(), kNothing);
    EXPECT_EQ(page.References(), 0);
}

// A browser may script an object whose safety options it was refused (a zone set to prompt, once
// the user agrees). Such a caller learns nothing on the refused page, the debugger output tells
// why, and once sited on an allowed page it is served as untrusted, with the untrusted path rules.
TEST_F(PageSafetyTest, ACallerRefusedItsOptionsStaysUntrusted) {
    struct Refusal {
        std::vector<std::wstring> sites;  // the machine's policy
        std::optional<DWORD> allowZones;
        DWORD sitesType;
        std::wstring page;
        std::wstring told;  // the zone and the rule the debugger output names
    };
    const std::wstring internet = L"zone Internet, refused: its zone is not allowed";
    const Refusal refusals[] = {
        {{}, std::nullopt, REG_MULTI_SZ, kInternetPage, internet},
        {{kRestrictedPage}, std::nullopt, REG_MULTI_SZ, kRestrictedPage, L"Restricted sites are"},
        {{L"http://www.elsewhere.example"},
         std::nullopt,
         REG_MULTI_SZ,
         L"https://www.elsewhere.example/webtop/",
         internet},
        {{L"http://apps.elsewhere.example:8080"},
         std::nullopt,
         REG_MULTI_SZ,
         L"http://apps.elsewhere.example/webtop",
         internet},
        {{L"https://*.cloud.example"},
         std::nullopt,
         REG_MULTI_SZ,
         L"https://evilcloud.example/",
         internet},
        {{L"https://*.cloud.example"},
         std::nullopt,
         REG_MULTI_SZ,
         L"https://cloud.example/",
         internet},
        {{L"http://www.elsewhere.example"},
         0,
         REG_MULTI_SZ,
         kIntranetPage,
         L"zone Local intranet, refused: AllowZones is 0"},
        {{}, std::nullopt, REG_MULTI_SZ, L"http://www.decoy.example/", internet},  // HKCU only
        {{L"www.elsewhere.example"}, std::nullopt, REG_MULTI_SZ, kInternetPage, internet},
        {{L"http://www.elsewhere.example"}, std::nullopt, REG_SZ, kInternetPage, internet},
    };
    const DebugLines lines;
    for (const Refusal& refusal : refusals) {
        for (const AddressRoute route : {AddressRoute::Browser, AddressRoute::Document}) {
            SCOPED_TRACE(std::string(refusal.page.begin(), refusal.page.end()));
            NewHelper();
            SetPolicy(refusal.sites, refusal.allowZones, refusal.sitesType);
            const StandInPage refused(route, refusal.page);
            ASSERT_EQ(SetSite(refused.Site()), S_OK);
            EXPECT_EQ(AskSafety(kAllOptions), E_FAIL);
            EXPECT_FALSE(FindIn(file_));
            EXPECT_EQ(Everything(), kNothing);
            EXPECT_TRUE(DebugLines::AnyHolds(lines.Take(), {refusal.page, refusal.told}));

            ClearPolicy();
            const StandInPage allowed(route, kIntranetPage);
            ASSERT_EQ(SetSite(allowed.Site()), S_OK);
            EXPECT_TRUE(FindIn(file_));
            EXPECT_FALSE(FindIn(otherNames_[1]));
            EXPECT_EQ(lines.Take(), L"");  // nothing on the normal path
            SetSite(nullptr);
        }
    }

    // A caller that never asks for an option is served on any page, by any path.
    NewHelper();
    const StandInPage elsewhere(AddressRoute::Browser, kInternetPage);
    ASSERT_EQ(SetSite(elsewhere.Site()), S_OK);
    EXPECT_TRUE(FindIn(otherNames_[1]));
    SetSite(nullptr);
}

// An object in a frame answers to its own document and to the browser's top-level page.
TEST_F(PageSafetyTest, InAFrameBothTheDocumentAndTheTopLevelPageMustBeAllowed) {
    EXPECT_TRUE(Serves(AddressRoute::Both, kIntranetPage, kTrustedPage));
    EXPECT_FALSE(Serves(AddressRoute::Both, kInternetPage, kIntranetPage));
    EXPECT_FALSE(Serves(AddressRoute::Both, kIntranetPage, kInternetPage));
    EXPECT_FALSE(Serves(AddressRoute::Both, kTrustedPage, kRestrictedPage));
    SetPolicy({L"http://www.elsewhere.example"}, std::nullopt);
    EXPECT_TRUE(Serves(AddressRoute::Both, kInternetPage, kIntranetPage));
}

// A site may clear itself from the object inside any call the object makes of it, and the page
// may be gone by then: the object holds it until it is done, and answers nothing.
TEST_F(PageSafetyTest, ASiteThatLeavesWhileItAnswersIsNotCalledAgain) {
    UniqueCom<IObjectWithSite> withSite;
    ASSERT_EQ(
        helper_->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(withSite.put())),
        S_OK);
    const UniqueBstr id(SysAllocString(kId));
    const std::function<bool()> answersNothing[] = {
        [&] { return AskSafety(kAllOptions) == E_FAIL; },
        [&] {
            VARIANT_BOOL found = VARIANT_TRUE;
            return helper_->InitFromObjectID(id.get(), &found) == S_OK && !found;
        },
        [&] {
            UniqueBstr name;
            return helper_->get_FileName(name.put()) == S_OK && SysStringLen(name.get()) == 0;
        },
    };
    for (const PageCall call :
         {PageCall::SiteQuery, PageCall::QueryService, PageCall::LocationUrl,
          PageCall::GetContainer, PageCall::ContainerQuery, PageCall::DocumentUrl}) {
        for (const auto& member : answersNothing) {
            SCOPED_TRACE(static_cast<int>(call));
            auto page = std::make_unique<StandInPage>(AddressRoute::Both, kIntranetPage);
            ASSERT_EQ(SetSite(page->Site()), S_OK);
            SetSafety(kAllOptions);
            ASSERT_TRUE(FindIn(file_));
            page->ClearSiteDuring(call, withSite.get());
            page.reset();
            EXPECT_TRUE(member());
            EXPECT_EQ(StandInPage::Alive(), 0);
        }
    }
}

// The helper follows the values as Group Policy writes them from the administrative template.
TEST_F(PageSafetyTest, TheHelperFollowsThePolicyAsGroupPolicyWritesIt) {
    const fernwick::tests::PolicyTemplate policy;
    const UniqueHkey key =
        CreateKey(HKEY_LOCAL_MACHINE, policy.Attribute("policy", "key"), KEY_WOW64_64KEY);
    const wchar_t sites[] = L"http://www.elsewhere.example\0https://*.cloud.example\0";
    ASSERT_EQ(RegSetValueExW(key.get(), policy.Attribute("multiText", "valueName").c_str(), 0,
                             REG_MULTI_SZ, reinterpret_cast<const BYTE*>(sites), sizeof(sites)),
              ERROR_SUCCESS);
    for (const bool zones : {true, false}) {
        SetDword(key.get(), policy.Attribute("boolean", "valueName").c_str(), policy.Switch(zones));
        EXPECT_TRUE(Serves(AddressRoute::Browser, kInternetPage));
        EXPECT_TRUE(Serves(AddressRoute::Document, L"https://docs.cloud.example/webtop"));
        EXPECT_EQ(Serves(AddressRoute::Browser, kIntranetPage), zones);
    }
}

// The reasons a person would want to know go to the debugger output, and only those.
TEST_F(PageSafetyTest, SitesWithoutAddressesAndUnopenedFilesAreToldToTheDebugger) {
    const DebugLines lines;
    EXPECT_FALSE(Serves(AddressRoute::None, kIntranetPage));
    EXPECT_TRUE(DebugLines::AnyHolds(lines.Take(), {L"Fernwick: ", L"tells no page address"}));

    NewHelper();
    const std::wstring missing = (folder_ / L"missing.txt").wstring();
    EXPECT_FALSE(FindIn(missing));
    EXPECT_TRUE(DebugLines::AnyHolds(lines.Take(), {missing, L"could not be opened: error 2"}));
    const tolk::stdx::UniqueFileHandle locked(
        CreateFileW(file_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    EXPECT_FALSE(FindIn(file_));
    EXPECT_TRUE(DebugLines::AnyHolds(lines.Take(), {file_, L"could not be opened: error 32"}));
}

TEST_F(PageSafetyTest, TheSiteIsHeldOnlyWhileSet) {
    const StandInPage page(AddressRoute::Document, kIntranetPage);
    UniqueCom<IObjectWithSite> withSite;
    ASSERT_EQ(
        helper_->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(withSite.put())),
        S_OK);
    void* none = withSite.get();
    EXPECT_EQ(withSite->GetSite(IID_IUnknown, &none), E_FAIL);
    EXPECT_EQ(none, nullptr);

    ASSERT_EQ(withSite->SetSite(page.Site()), S_OK);
    UniqueCom<IUnknown> site;
    ASSERT_EQ(withSite->GetSite(IID_IUnknown, reinterpret_cast<void**>(site.put())), S_OK);
    EXPECT_EQ(site.get(), page.Site());
    site.reset();
    EXPECT_EQ(withSite->GetSite(IID_IServiceProvider, reinterpret_cast<void**>(site.put())),
              E_NOINTERFACE);
    EXPECT_GT(page.References(), 0);
    withSite.reset();
    helper_.reset();
    EXPECT_EQ(page.References(), 0);
}

// The file that was opened is judged, not only the name given: a folder on C: whose files lie on
// a network drive (a link into a share, under Wine a drive letter for the folder) is refused.
TEST_F(PageSafetyTest, UntrustedPagesJudgeTheDriveOfTheFileThatWasOpened) {
    const std::filesystem::path share = folder_ / L"share";
    std::filesystem::create_directories(share);
    std::filesystem::copy_file(file_, share / L"registry.txt");
    const std::wstring onShare = (share / L"registry.txt").wstring();
    const WineNetworkDrive drive(L'N', share);
    if (!drive.Defined()) GTEST_SKIP() << "network drives are made through Wine's mount manager";
    ASSERT_EQ(GetDriveTypeW(L"N:\\"), UINT{DRIVE_REMOTE});

    EXPECT_TRUE(FindIn(onShare));
    const StandInPage intranet(AddressRoute::Browser, kIntranetPage);
    ASSERT_EQ(SetSite(intranet.Site()), S_OK);
    SetSafety(kAllOptions);
    EXPECT_FALSE(FindIn((folder_ / L"empty.txt").wstring()));
    const std::wstring noMatch = Record();
    for (const std::wstring& path : {onShare, std::wstring(L"N:\\registry.txt")}) {
        ASSERT_TRUE(FindIn(file_));
        EXPECT_FALSE(FindIn(path)) << std::string(path.begin(), path.end());
        EXPECT_EQ(Record(), noMatch);
    }
}

}  // namespace
