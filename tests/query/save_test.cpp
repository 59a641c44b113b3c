// Saving safely: a save replaces the file in one step and keeps its
// permissions, its link and its holder's share mode; a document whose text
// would not read back is refused before anything is written; a directory
// where no new file can be made gets the text in place.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <string>
#include <tuple>
#include <vector>

#include "platform/replace_calls.h"

#include "file/immutable_folder.h"
#include "testing/fault_switch.h"

#include "qdf_support.h"

namespace qdftest {
namespace {

class SaveTest : public QdfTest {};

// A CR LF in a one-line text, or a line "}" in the edited SQL, would not
// read back as written. (The document tests save the texts that come near.)
TEST_F(SaveTest, TextsThatWouldNotReadBackAreRefusedAndNothingIsWritten) {
    const auto sql = &Document::m_strEditedSQL;
    std::vector<std::tuple<const char*, CString Document::*, std::string>> cases = {
        {"m_strEditedSQL", sql, "SELECT *\r\n}\r\nFROM T"},
        {"m_strEditedSQL", sql, "}"},
        {"m_strEditedSQL", sql, "SELECT *\r\n}"},
    };
    for (const twfile::query::Member& m : twfile::query::Members()) {
        if (m.kind == twfile::query::MemberKind::Text && m.text != sql)
            cases.emplace_back(m.name, m.text, "a\r\nb");
    }
    const std::string previous = Fixture("sample.qdf");
    for (const auto& [name, member, value] : cases) {
        SCOPED_TRACE(std::string(name) + " " + value);
        const std::string path = File("doc.qdf");
        twtest::WriteAll(path, previous);
        Document doc;
        ASSERT_GE(doc.Open(path.c_str(), 0), 0);
        doc.*member = value.c_str();
        EXPECT_EQ(doc.Save(), ID_TWErrors_InvalidParam);
        EXPECT_NE(TakeError().text.find(name), std::string::npos);
        EXPECT_EQ(doc.SaveAs(File("new.qdf").c_str()), ID_TWErrors_InvalidParam);
        EXPECT_NE(TakeError().text.find(name), std::string::npos);
        EXPECT_EQ(twtest::ReadAll(path), previous);
        EXPECT_FALSE(twtest::Exists(File("new.qdf")));
    }
}

// The cases below need POSIX permission bits, symbolic links and fork.
#ifndef _WIN32
struct stat StatOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

constexpr char kHeldByAnother[] =
    "The process cannot access the file because it is being used by another process.";

// The file is replaced, not rewritten: the new one takes the old one's
// permission bits, and a symbolic link stays a link to the file it names
// (a dangling one gets its file made where it points).
TEST_F(SaveTest, ReplacedFilesKeepTheirPermissionsAndLinks) {
    ASSERT_EQ(::mkdir(File("real").c_str(), 0700), 0);
    const std::string target = File("real/doc.qdf");
    twtest::WriteAll(target, Fixture("sample.qdf"));
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    const ino_t before = StatOf(target).st_ino;
    Document doc;
    ASSERT_GE(doc.Open(target.c_str(), 0), 0);
    doc.m_strDatabase = "REPLACED";
    ASSERT_GE(doc.Save(), 0) << CTWError::GetMessage();
    EXPECT_NE(StatOf(target).st_ino, before);
    EXPECT_EQ(StatOf(target).st_mode & 07777, 0640u);
    EXPECT_EQ(Reopened(target), MembersOf(doc));

    const std::string link = File("link.qdf");
    ASSERT_EQ(::symlink("real/doc.qdf", link.c_str()), 0);
    doc.m_strDatabase = "THROUGH THE LINK";
    ASSERT_GE(doc.SaveAs(link.c_str()), 0) << CTWError::GetMessage();
    ASSERT_GE(doc.Save(), 0) << CTWError::GetMessage();
    struct stat info {};
    ASSERT_EQ(::lstat(link.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(StatOf(target).st_mode & 07777, 0640u);
    EXPECT_EQ(Reopened(target), MembersOf(doc));

    const std::string dangling = File("dangling.qdf");
    ASSERT_EQ(::symlink("real/made.qdf", dangling.c_str()), 0);
    ASSERT_GE(doc.SaveAs(dangling.c_str()), 0) << CTWError::GetMessage();
    ASSERT_EQ(::lstat(dangling.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(Reopened(File("real/made.qdf")), MembersOf(doc));
}

// A file system of 512 KiB of the test's own, mounted inside its folder
// (root only) and unmounted at the end; Fill takes every free byte.
struct SmallDisk {
    explicit SmallDisk(const std::string& path) : path(path) {
        ::mkdir(path.c_str(), 0700);
        mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, "size=512k") == 0;
    }
    ~SmallDisk() {
        if (mounted) ::umount2(path.c_str(), MNT_DETACH);
    }
    void Fill() const {
        const int fd = ::open((path + "/filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const std::string block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        ::close(fd);
    }
    std::string path;
    bool mounted;
};

// A full disk fails a save before the old text changes, and says why,
// whether the save replaces the file or (in a folder where no file can be
// made) rewrites it in place.
TEST_F(SaveTest, AFullDiskFailsWithItsReasonAndKeepsTheDocument) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small disk needs root";
    SmallDisk disk(File("disk"));
    ASSERT_TRUE(disk.mounted) << std::strerror(errno);
    for (const bool inPlace : {false, true}) {
        SCOPED_TRACE(inPlace ? "in place" : "replacing");
        const std::string folder = File(inPlace ? "disk/locked" : "disk/open");
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        const std::string path = folder + "/doc.qdf";
        twtest::WriteAll(path, Fixture("sample.qdf"));
        Document doc;
        ASSERT_GE(doc.Open(path.c_str(), 0), 0);
        doc.m_strEditedSQL = std::string(64 << 10, 'x').c_str();
        disk.Fill();
        {
            const twtest::ImmutableFolder locked(inPlace ? folder : "");
            ASSERT_EQ(locked.IsSet(), inPlace) << std::strerror(errno);
            EXPECT_EQ(doc.Save(), -1);
            EXPECT_EQ(TakeError().text,
                      "Error writing a file: " + std::string(std::strerror(ENOSPC)));
        }
        ::unlink(File("disk/filler").c_str());
        EXPECT_EQ(twtest::ReadAll(path), Fixture("sample.qdf"));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                                std::filesystem::directory_iterator()),
                  1);
    }
}

// The access control list and the user's attributes go to the new file.
// Where they cannot, no one gains: the group bits come from the list's
// owning-group entry (r), not from its mask (rw), and the document says what
// it lost.
TEST_F(SaveTest, AccessListsAndAttributesAreKeptOrNarrowed) {
    const std::string path = File("doc.qdf");
    // version 2; user::rw-, user:65534:rw-, group::r--, mask::rw-, other::---
    const std::string list(
        "\x02\0\0\0"
        "\x01\0\x06\0\xff\xff\xff\xff"
        "\x02\0\x06\0\xfe\xff\0\0"
        "\x04\0\x04\0\xff\xff\xff\xff"
        "\x10\0\x06\0\xff\xff\xff\xff"
        "\x20\0\0\0\xff\xff\xff\xff",
        44);
    const auto attribute = [&path](const char* name) {
        std::string value(256, '\0');
        const ssize_t size = ::getxattr(path.c_str(), name, &value[0], value.size());
        value.resize(size < 0 ? 0 : static_cast<std::size_t>(size));
        return value;
    };
    for (const bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "refused" : "kept");
        twtest::WriteAll(path, Fixture("sample.qdf"));
        ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
        if (::setxattr(path.c_str(), "system.posix_acl_access", list.data(), list.size(), 0) != 0 ||
            ::setxattr(path.c_str(), "user.project", "alpha", 5, 0) != 0) {
            GTEST_SKIP() << "no access lists or attributes here: " << std::strerror(errno);
        }
        Document doc;
        ASSERT_GE(doc.Open(path.c_str(), 0), 0);
        win32::fault::ScopedDisarm disarm;
        // The file to replace, the search for stale files, the copy of
        // access, then the list's.
        if (refused) win32::fault::ArmFrom(win32::fault::Kind::Attributes, 4);
        ASSERT_GE(doc.Save(), 0) << CTWError::GetMessage();
        win32::fault::Disarm();
        EXPECT_EQ(doc.GetAccessNotKept(),
                  refused ? win32::ACCESS_ACL_NOT_KEPT | win32::ACCESS_ATTRIBUTES_NOT_KEPT : 0u);
        EXPECT_EQ(StatOf(path).st_mode & 0777, refused ? 0640u : 0660u);
        EXPECT_EQ(attribute("system.posix_acl_access"), refused ? "" : list);
        EXPECT_EQ(attribute("user.project"), refused ? "" : "alpha");
    }
}

// A document open for writing keeps other writers out, in this process and
// in other processes, also after it saved (the new
// file is held before it takes the old one's place); readers are let in.
TEST_F(SaveTest, AWriterKeepsOtherWritersOutAcrossItsSaves) {
    const std::string path = File("doc.qdf");
    twtest::WriteAll(path, Fixture("sample.qdf"));
    Document writer;
    ASSERT_GE(writer.Open(path.c_str(), 0), 0);
    twtest::MessageRecorder messages;
    const auto opensForWriting = [&path] {
        Document other;
        other.Open(path.c_str(), 0);
        return other.IsFileOpen() == 1;
    };
    const auto opensInAProcess = [&] {
        const pid_t child = ::fork();
        if (child == 0) ::_exit(opensForWriting() ? 0 : 1);
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    for (const char* step : {"opened", "saved", "saved as"}) {
        SCOPED_TRACE(step);
        if (std::string(step) == "saved") {
            ASSERT_GE(writer.Save(), 0);
        } else if (std::string(step) == "saved as") {
            ASSERT_GE(writer.SaveAs(path.c_str()), 0);
        }
        messages.clear();
        EXPECT_FALSE(opensForWriting());
        ASSERT_EQ(messages.texts().size(), 1u);
        EXPECT_EQ(messages.texts()[0], kHeldByAnother);
        EXPECT_FALSE(opensInAProcess());
        Document reader;
        ASSERT_GE(reader.Open(path.c_str(), 1), 0);
        EXPECT_EQ(reader.IsFileOpen(), 1);
    }
    // SaveAs onto a file another writer holds is refused like its open.
    Document second;
    second.m_strDatabase = "NOT WRITTEN";
    EXPECT_EQ(second.SaveAs(path.c_str()), ID_TWErrors_InvalidContext);
    CTWError::Clear();
    EXPECT_EQ(Reopened(path), MembersOf(writer));
    ASSERT_GE(writer.Close(), 0);
    EXPECT_TRUE(opensForWriting());
    EXPECT_TRUE(opensInAProcess());
}

#endif

}  // namespace
}  // namespace qdftest
