// The multiple-selection file dialog on its own, driven under Xvfb: names typed into its file name
// box must never be written past its result buffer.
#include <windows.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "import_picker/fec_file_dialog_win32.h"
#include "tests/ui/dialog_driver.h"

// Every heap block of this program is followed by a guard region that must still hold its pattern
// when the block is freed, so that a write past the end of the result buffer is counted instead of
// corrupting the heap.
namespace {
constexpr std::size_t kHeaderBytes = 16;
constexpr std::size_t kGuardBytes = 64 * 1024;
constexpr unsigned char kGuardPattern = 0xA5;
std::atomic<int> overrunBlocks{0};
}  // namespace

[[gnu::noinline]] void* operator new(std::size_t size) {
    auto* block = static_cast<unsigned char*>(std::malloc(kHeaderBytes + size + kGuardBytes));
    if (!block) throw std::bad_alloc();
    std::memcpy(block, &size, sizeof size);
    std::memset(block + kHeaderBytes + size, kGuardPattern, kGuardBytes);
    return block + kHeaderBytes;
}

[[gnu::noinline]] void operator delete(void* pointer) noexcept {
    if (!pointer) return;
    auto* block = static_cast<unsigned char*>(pointer) - kHeaderBytes;
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    const unsigned char* guard = block + kHeaderBytes + size;
    if (std::any_of(guard, guard + kGuardBytes, [](unsigned char b) { return b != kGuardPattern; }))
        ++overrunBlocks;
    std::free(block);
}

[[gnu::noinline]] void operator delete(void* pointer, std::size_t) noexcept {
    operator delete(pointer);
}

namespace fernwick::tests {
namespace {

TEST(FecFileDialogTest, TypedNamesBeyondTheResultBufferComeBackWholeAndStayInsideIt) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"fernwick-typed";
    CreateDirectoryW(folder.c_str(), nullptr);
    std::vector<std::wstring> names;
    std::wstring typed;
    for (int i = 0; i < 200; ++i) {
        names.push_back(L"imported document with a long name " + std::to_wstring(i) + L".xml");
        typed += L"\"" + names.back() + L"\" ";
    }
    ASSERT_GT(typed.size(), 8000u);

    std::vector<std::wstring> paths;
    INT_PTR result = 0;
    {
        CFECFileDialog dialog((folder + L"\\first.xml").c_str(), L"");
        DialogDriver driver({[&typed] {
            HWND open = FindDialog(L"Open");
            if (!open) return false;
            HWND box = GetDlgItem(open, cmb13) ? GetDlgItem(open, cmb13) : GetDlgItem(open, edt1);
            SendMessageW(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
            Press(open, IDOK);
            return true;
        }});
        result = dialog.DoModal();
        EXPECT_TRUE(driver.Finished());
        for (auto pos = dialog.GetStartPosition(); pos;)
            paths.push_back(dialog.GetNextPathName(pos));
    }
    EXPECT_EQ(overrunBlocks.load(), 0) << "written past the end of a heap block";
    EXPECT_EQ(result, IDOK);
    std::vector<std::wstring> expected;
    for (const std::wstring& name : names) expected.push_back(folder + L"\\" + name);
    EXPECT_EQ(paths, expected);
}

}  // namespace
}  // namespace fernwick::tests
