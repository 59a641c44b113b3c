// The POSIX stand-in's own cases: the errno codes it reports, the files
// that are not regular, TMPDIR, and the links and permission bits of a
// replacement (the Win32 layer has its own in win32_calls_test.cpp).
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/file_calls.h"
#include "platform/last_error.h"
#include "platform/memory.h"
#include "platform/replace_calls.h"
#include "platform/rewrite_calls.h"
#include "platform/temp_name.h"
#include "testing/fault_switch.h"

#include "support/support.h"

using namespace win32;

namespace {

// Only regular files open, and the open never waits: a pipe without a
// writer is refused at once rather than hanging.
TEST(FileCalls, OnlyRegularFilesOpen) {
    twtest::TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string socketPath = dir.File("socket");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    const struct {
        std::string path;
        DWORD access;
        DWORD error;
    } cases[] = {
        {dir.path(), GENERIC_READ, static_cast<DWORD>(EISDIR)},
        {fifo, GENERIC_READ, ERROR_NOT_REGULAR_FILE},
        {fifo, GENERIC_READ | GENERIC_WRITE, ERROR_NOT_REGULAR_FILE},
        {"/dev/null", GENERIC_READ | GENERIC_WRITE, ERROR_NOT_REGULAR_FILE},
        {socketPath, GENERIC_READ, static_cast<DWORD>(ENXIO)},  // the system refuses it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(CreateFileA(c.path.c_str(), c.access, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0,
                              nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
    ::close(listener);
    char* text = nullptr;
    ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                             ERROR_NOT_REGULAR_FILE, LANG_USER_DEFAULT,
                             reinterpret_cast<char*>(&text), 0, nullptr),
              0u);
    EXPECT_STREQ(text, "The path names a pipe, a device or a socket, not a file.");
    LocalFree(text);
    // (The errno codes get the C library's texts: a failed open shows one.)
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
                             0, 0, reinterpret_cast<char*>(&text), 0, nullptr),
              0u);
}

// A transfer that fails reports nothing done; a null buffer is refused
// before the system sees it.
TEST(FileCalls, FailedTransfersAndSeekFromTheEnd) {
    twtest::TempDir dir;
    twtest::WriteAll(dir.File("f"), "abcdef");
    HANDLE h = CreateFileA(dir.File("f").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(SetFilePointer(h, -2, nullptr, FILE_END), 4u);
    for (HANDLE file : {INVALID_HANDLE_VALUE, h}) {
        DWORD done = 7;
        EXPECT_FALSE(WriteFile(file, nullptr, 1, &done, nullptr));
        EXPECT_EQ(std::make_pair(done, GetLastError()), std::make_pair(DWORD(0), DWORD(EBADF)));
        done = 7;
        EXPECT_FALSE(ReadFile(file, nullptr, 1, &done, nullptr));
        EXPECT_EQ(std::make_pair(done, GetLastError()), std::make_pair(DWORD(0), DWORD(EBADF)));
    }
    EXPECT_TRUE(CloseHandle(h));
}

// A new file is reserved under TMPDIR (or the directory given), its name
// starting with the prefix, whose separators cannot lead outside.
TEST(TempName, ReservesAUniqueFileWithTheGivenPrefix) {
    twtest::TempDir dir;
    char* first = _tempnam(dir.path().c_str(), "abc");
    char* second = _tempnam(dir.path().c_str(), "abc");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_STRNE(first, second);
    EXPECT_EQ(std::string(first).rfind(dir.path() + "/abc", 0), 0u);
    struct stat info;
    ASSERT_EQ(::lstat(first, &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));  // created, not a link
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old != nullptr ? old : "";
    ::setenv("TMPDIR", dir.path().c_str(), 1);
    char* name = _tempnam(nullptr, "../x");
    old != nullptr ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(std::string(name).rfind(dir.path() + "/.._x", 0), 0u);
    for (char* made : {first, second, name})
        std::free(made);
}

// The calls a replacing save makes: a rename that replaces only when asked,
// attributes of what a path names, the file behind a chain of links, and
// the access a new file takes from the one it replaces.
TEST(ReplaceCalls, RenameAttributesLinksAndAccess) {
    twtest::TempDir dir;
    const std::string a = dir.File("a");
    const std::string b = dir.File("b");
    twtest::WriteAll(a, "new");
    twtest::WriteAll(b, "old");
    EXPECT_FALSE(MoveFileExA(a.c_str(), b.c_str(), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(EEXIST));
    EXPECT_TRUE(
        MoveFileExA(a.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(twtest::ReadAll(b), "new");
    EXPECT_FALSE(DeleteFileA(a.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ENOENT));

    EXPECT_EQ(GetFileAttributesA(dir.path().c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA(b.c_str()), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(GetFileAttributesA(a.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(IsFileNotFound(GetLastError()));
    EXPECT_FALSE(IsAccessDenied(GetLastError()));

    ASSERT_EQ(::symlink("b", dir.File("one").c_str()), 0);
    ASSERT_EQ(::symlink(dir.File("one").c_str(), dir.File("two").c_str()), 0);
    ASSERT_EQ(::symlink("loop", dir.File("loop").c_str()), 0);
    EXPECT_EQ(GetReplacedFileName(dir.File("two").c_str()), b);
    EXPECT_EQ(GetReplacedFileName(b.c_str()), b);
    EXPECT_EQ(GetReplacedFileName(dir.File("loop").c_str()), "");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ELOOP));

    ASSERT_EQ(::chmod(b.c_str(), 0604), 0);
    HANDLE h =
        CreateFileA(a.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CopyFileAccess(b.c_str(), h));
    struct stat info {};
    ASSERT_EQ(::stat(a.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0604u);
    const mode_t mask = ::umask(027);
    EXPECT_TRUE(CopyFileAccess(dir.File("none").c_str(), h));
    ::umask(mask);
    ASSERT_EQ(::stat(a.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_TRUE(FlushFileBuffers(h));
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(FlushFileBuffers(h));
}

// While a file is rewritten in place, readers are kept out: a reader
// already in stops the writer, a later one is refused as in use.
TEST(RewriteCalls, ReadersAreKeptOutWhileTheTextIsRewritten) {
    twtest::TempDir dir;
    twtest::WriteAll(dir.File("f"), "text");
    // Readers share writing, as a document opened read-only does.
    const auto open = [&dir](DWORD access) {
        return CreateFileA(dir.File("f").c_str(), access,
                           FILE_SHARE_READ | (access == GENERIC_READ ? FILE_SHARE_WRITE : 0),
                           nullptr, OPEN_EXISTING, 0, nullptr);
    };
    HANDLE writer = open(GENERIC_READ | GENERIC_WRITE);
    HANDLE reader = open(GENERIC_READ);
    EXPECT_FALSE(HoldReadersOut(writer, FILE_SHARE_READ));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(CloseHandle(reader));
    ASSERT_TRUE(HoldReadersOut(writer, FILE_SHARE_READ));
    EXPECT_EQ(open(GENERIC_READ), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(LetReadersIn(writer, FILE_SHARE_READ));
    EXPECT_TRUE(CloseHandle(open(GENERIC_READ)));
    EXPECT_TRUE(CloseHandle(writer));
}

// A temporary is stale when it holds bytes and no open holds it; an empty
// one may be a live writer's that is about to hold it.
TEST(RewriteCalls, OnlyStaleTemporariesAreRemoved) {
    twtest::TempDir dir;
    for (const char* name : {".doc.qdf.dead12", ".doc.qdf.live12", "doc.qdf"})
        twtest::WriteAll(dir.File(name), "text");
    twtest::WriteAll(dir.File(".doc.qdf.empty1"), "");
    HANDLE live = CreateFileA(dir.File(".doc.qdf.live12").c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(RemoveStaleTemporaries(dir.path().c_str(), ".doc.qdf."), 1);
    EXPECT_FALSE(twtest::Exists(dir.File(".doc.qdf.dead12")));
    for (const char* name : {".doc.qdf.live12", ".doc.qdf.empty1", "doc.qdf"})
        EXPECT_TRUE(twtest::Exists(dir.File(name))) << name;
    EXPECT_TRUE(CloseHandle(live));
}

}  // namespace
