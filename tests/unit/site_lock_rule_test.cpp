#include "site_lock/site_lock_rule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "site_lock/site_pattern.h"

namespace fernwick {
namespace {

bool Listed(const std::wstring& entry, const std::wstring& page) {
    return JudgePage(page, PageZone::Internet, SiteLockPolicy{{entry}, true}) ==
           PageVerdict::Listed;
}

TEST(SiteLockRuleTest, ListedSitesMatchSchemeHostAndPort) {
    const std::wstring page = L"https://Docs.Example.COM/webtop/component/main?x=1#top";
    EXPECT_TRUE(Listed(L"https://docs.example.com", page));
    EXPECT_TRUE(Listed(L"  HTTPS://DOCS.example.com/\t", page));
    EXPECT_TRUE(Listed(L"https://docs.example.com:443", page));
    EXPECT_TRUE(Listed(L"https://*.example.com", page));
    EXPECT_TRUE(Listed(L"https://*.com", page));
    EXPECT_TRUE(Listed(L"https://docs.example.com", L"https://user:pw@docs.example.com:443/"));
    EXPECT_FALSE(Listed(L"http://docs.example.com", page));
    EXPECT_FALSE(Listed(L"https://docs.example.com:8443", page));
    EXPECT_FALSE(Listed(L"https://example.com", page));
    EXPECT_FALSE(Listed(L"https://*.docs.example.com", page));  // not the domain itself
    EXPECT_FALSE(Listed(L"https://*.example.com", L"https://docs.notexample.com/"));
    EXPECT_FALSE(Listed(L"https://*.example.com", L"https://example.com.evil.test/"));
    EXPECT_FALSE(Listed(L"https://docs.example.com", L"https://docs.example.com.evil.test/"));
    EXPECT_FALSE(Listed(L"https://docs.example.com", L"https://evil.test\\@docs.example.com/"));

    EXPECT_TRUE(Listed(L"http://portal:8080", L"http://PORTAL:8080/webtop"));
    EXPECT_FALSE(Listed(L"http://portal:8080", L"http://portal/webtop"));
    EXPECT_FALSE(Listed(L"http://portal", L"http://portal:8080/webtop"));
    EXPECT_TRUE(Listed(L"http://portal", L"http://portal:80/webtop"));
    EXPECT_TRUE(Listed(L"ftp://files.example", L"ftp://files.example/a"));
    EXPECT_FALSE(Listed(L"ftp://files.example", L"ftp://files.example:21/a"));

    // Pages whose host or port cannot be read belong to no site.
    for (const wchar_t* odd :
         {L"https://docs.example.com:/", L"https://docs.example.com:99999/",
          L"https://docs.example.com./", L"https://docs..example.com/", L"https:docs.example.com",
          L"https://docs.example.com%2F/", L"https://d\u00F6cs.example.com/", L"https:///x",
          L"docs.example.com", L""}) {
        EXPECT_FALSE(Listed(L"https://*.example.com", odd)) << std::wstring(odd).size();
        EXPECT_FALSE(Listed(L"https://docs.example.com", odd)) << std::wstring(odd).size();
    }
}

TEST(SiteLockRuleTest, MalformedEntriesMatchNothing) {
    for (const wchar_t* entry : {L"",
                                 L"   ",
                                 L"docs.example.com",
                                 L"https:/docs.example.com",
                                 L"://docs.example.com",
                                 L"1https://docs.example.com",
                                 L"https://",
                                 L"https://*",
                                 L"https://*.",
                                 L"https://*example.com",
                                 L"https://docs.*.com",
                                 L"https://**.example.com",
                                 L"https://*.*.example.com",
                                 L"https://.example.com",
                                 L"https://docs.example.com/webtop",
                                 L"https://docs.example.com//",
                                 L"https://docs.example.com?x",
                                 L"https://docs.example.com#x",
                                 L"https://docs.example.com:",
                                 L"https://docs.example.com:0",
                                 L"https://docs.example.com:65536",
                                 L"https://docs.example.com:44x",
                                 L"https://docs.example.com:+443",
                                 L"https://u@docs.example.com",
                                 L"https://[::1]",
                                 L"https://docs example.com",
                                 L"https://d\u00F6cs.example.com",
                                 L"https://docs.example.com\\"}) {
        EXPECT_FALSE(ParseSitePattern(entry).has_value()) << std::wstring(entry).size();
        for (const wchar_t* page : {L"https://docs.example.com/", L"https://a.docs.example.com/",
                                    L"https://docs.example.com:443/"}) {
            EXPECT_FALSE(Listed(entry, page));
        }
    }
    EXPECT_TRUE(Listed(L"https://*.example.com:65535", L"https://a.example.com:65535/"));
}

TEST(SiteLockRuleTest, ZonesAllowUnlessThePolicyTurnsThemOff) {
    const std::wstring page = L"http://portal.corp.example/webtop";
    const SiteLockPolicy none;
    const SiteLockPolicy listedOnly{{L"http://portal.corp.example"}, false};
    const SiteLockPolicy otherOnly{{L"http://other.corp.example", L"bad entry"}, false};
    using enum PageVerdict;
    for (const PageZone zone : {PageZone::LocalMachine, PageZone::Intranet, PageZone::Trusted}) {
        EXPECT_EQ(JudgePage(page, zone, none), ZoneAllowed);
        EXPECT_EQ(JudgePage(page, zone, listedOnly), Listed);
        EXPECT_EQ(JudgePage(page, zone, otherOnly), ZonesTurnedOff);
    }
    for (const PageZone zone : {PageZone::Internet, PageZone::Custom}) {
        EXPECT_EQ(JudgePage(page, zone, none), ZoneRefused);
        EXPECT_EQ(JudgePage(page, zone, listedOnly), Listed);
    }
    EXPECT_EQ(JudgePage(page, PageZone::Restricted, listedOnly), Restricted);
    EXPECT_EQ(JudgePage(L"", PageZone::LocalMachine, none), NoAddress);
    EXPECT_EQ(JudgePage(std::wstring(L"http://portal.corp.example\0.evil.test/", 38),
                        PageZone::Internet, listedOnly),
              NoAddress);
}

TEST(SiteLockRuleTest, MultiStringValuesEndAtTheFirstEmptyString) {
    using Entries = std::vector<std::wstring>;
    EXPECT_EQ(MultiStringEntries(std::wstring(L"http://a\0https://b\0\0", 21)),
              (Entries{L"http://a", L"https://b"}));
    EXPECT_EQ(MultiStringEntries(std::wstring(L"http://a\0\0http://b\0\0", 21)),
              (Entries{L"http://a"}));
    EXPECT_EQ(MultiStringEntries(std::wstring(L"http://a\0http://b", 17)),
              (Entries{L"http://a", L"http://b"}));
    EXPECT_EQ(MultiStringEntries(std::wstring(L"\0http://a", 9)), Entries{});
    EXPECT_EQ(MultiStringEntries(L""), Entries{});
}

}  // namespace
}  // namespace fernwick
