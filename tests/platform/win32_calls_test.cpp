// The Win32 layer's own cases: the system's codes and texts, what is not a
// file, temporary names from the system, backslash paths, and a rename over
// a file that is still open, as a save does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/file_calls.h"
#include "platform/last_error.h"
#include "platform/memory.h"
#include "platform/replace_calls.h"
#include "platform/rewrite_calls.h"
#include "platform/temp_name.h"

#include "support/support.h"

using namespace win32;

namespace {

constexpr DWORD kFileNotFound = 2;     // ERROR_FILE_NOT_FOUND
constexpr DWORD kAlreadyExists = 183;  // ERROR_ALREADY_EXISTS

std::string Backslashed(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

TEST(Win32Calls, OnlyFilesOpen) {
    twtest::TempDir dir;
    // A folder is refused by the system, a device by the layer.
    EXPECT_EQ(CreateFileA(dir.path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsAccessDenied(GetLastError())) << GetLastError();
    EXPECT_EQ(CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_NOT_REGULAR_FILE);
    EXPECT_EQ(
        CreateFileA(dir.File("none").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
        INVALID_HANDLE_VALUE);
    EXPECT_TRUE(IsFileNotFound(GetLastError())) << GetLastError();
}

TEST(Win32Calls, SystemTextsWithoutTheLineEnd) {
    for (DWORD code : {kFileNotFound, ERROR_SHARING_VIOLATION, ERROR_NOT_REGULAR_FILE}) {
        char* text = nullptr;
        const DWORD length =
            FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                           code, LANG_USER_DEFAULT, reinterpret_cast<char*>(&text), 0, nullptr);
        ASSERT_GT(length, 0u) << code;
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(std::strlen(text), length);
        EXPECT_EQ(std::strpbrk(text, "\r\n"), nullptr) << text;
        LocalFree(text);
    }
}

TEST(Win32Calls, TemporaryNamesAreReservedInTheFolderAsked) {
    twtest::TempDir dir;
    char* first = win32::_tempnam(Backslashed(dir.path()).c_str(), "q/d");
    char* second = win32::_tempnam(dir.path().c_str(), "q/d");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_STRNE(first, second);
    // The file exists, so nobody else gets the name; the prefix stays a name.
    EXPECT_EQ(GetFileAttributesA(first), FILE_ATTRIBUTE_NORMAL);
    const std::string name = std::strrchr(first, '\\') + 1;
    EXPECT_EQ(name.rfind("q_d", 0), 0u) << name;
    std::free(first);
    std::free(second);
    char* system = win32::_tempnam(nullptr, "tw");
    ASSERT_NE(system, nullptr);
    EXPECT_TRUE(DeleteFileA(system));
    std::free(system);
}

// A save renames its new file, still open, over the document's file, which
// it closes first (ReplaceNeedsClosedTarget): the handle follows the file.
// A direct caller may even hold the file renamed over (ReplaceFileA).
TEST(Win32Calls, RenamesOfOpenFilesAndBackslashPaths) {
    twtest::TempDir dir;
    const std::string a = Backslashed(dir.File("a"));
    const std::string b = Backslashed(dir.File("b"));
    twtest::WriteAll(dir.File("a"), "new");
    twtest::WriteAll(dir.File("b"), "old");
    EXPECT_TRUE(ReplaceNeedsClosedTarget());
    EXPECT_TRUE(GetReplacedFileName(b.c_str()) == b);
    HANDLE renamed = CreateFileA(a.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(renamed, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CopyFileAccess(b.c_str(), renamed));
    EXPECT_FALSE(MoveFileExA(a.c_str(), b.c_str(), 0));
    EXPECT_EQ(GetLastError(), kAlreadyExists);
    EXPECT_TRUE(
        MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        << GetLastError();
    EXPECT_EQ(SetFilePointer(renamed, 0, nullptr, FILE_END), 3u);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(renamed, "er", 2, &written, nullptr));
    EXPECT_TRUE(CloseHandle(renamed));
    EXPECT_EQ(twtest::ReadAll(dir.File("b")), "newer");
    EXPECT_EQ(GetFileAttributesA(a.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(IsFileNotFound(GetLastError()));

    twtest::WriteAll(dir.File("a"), "newest");
    HANDLE held = CreateFileA(b.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(
        MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        << GetLastError();
    EXPECT_TRUE(CloseHandle(held));
    EXPECT_EQ(twtest::ReadAll(dir.File("b")), "newest");
    EXPECT_EQ(GetFileAttributesA(Backslashed(dir.path()).c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(DeleteFileA(a.c_str()));
    EXPECT_TRUE(DeleteFileA(b.c_str()));
}

// A rewrite in place locks the whole file, so that the system fails other
// handles' reads rather than let them see a mix (Wine does not enforce that
// on reads: the lock itself, which a second rewrite meets, is checked).
// Stale temporaries are left to the user here.
TEST(Win32Calls, ARewriteInPlaceLocksTheFile) {
    twtest::TempDir dir;
    twtest::WriteAll(dir.File("f"), "text");
    const auto open = [&dir] {
        return CreateFileA(dir.File("f").c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    };
    HANDLE first = open();
    HANDLE second = open();
    ASSERT_TRUE(HoldReadersOut(first, FILE_SHARE_READ));
    EXPECT_FALSE(HoldReadersOut(second, FILE_SHARE_READ));
    EXPECT_TRUE(LetReadersIn(first, FILE_SHARE_READ));
    EXPECT_TRUE(HoldReadersOut(second, FILE_SHARE_READ));
    EXPECT_TRUE(LetReadersIn(second, FILE_SHARE_READ));
    for (HANDLE h : {first, second})
        CloseHandle(h);
    EXPECT_EQ(RemoveStaleTemporaries(dir.path().c_str(), "."), 0);
}

}  // namespace
