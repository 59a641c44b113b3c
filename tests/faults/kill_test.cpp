// A process killed at a random moment while it saves: the document's file
// holds the earlier or the later text in full, never a part or a mix.
//
// A child process saves two documents of a few megabytes over one path in
// turn until the parent kills it (SIGKILL) after a random delay; the delays
// spread over a few saves, so that the kills land in every step of a save
// (writing, flushing to the disk, renaming, flushing the directory). A killed
// process cannot remove its temporary file: it stays as a hidden
// ".NAME.XXXXXX" beside the document until a later save removes it.
//
// Where no file can be made beside the document, the save rewrites it in
// place: a kill during the rewrite can tear it. That campaign reports how
// many kills did.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <twfile/query/qdf.h>

#include "support/support.h"
#include "testing/fault_switch.h"

namespace faults {
namespace {

#ifndef _WIN32
constexpr int kKills = 80;

// The hidden files beside the document that hold bytes (a writer killed
// before it wrote leaves an empty one, which costs nothing).
std::vector<std::string> Debris(const twtest::TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (name == "sales.qdf" || entry.file_size() == 0) continue;
        EXPECT_EQ(name.rfind(".sales.qdf.", 0), 0u) << "debris: " << name;
        names.push_back(name);
    }
    return names;
}

// A document of about size bytes: an edited SQL text and a table list, both
// naming the document, so that any part of one differs from the other.
void Fill(CTWFileQDF& d, const std::string& name, std::size_t size, bool withTables = true) {
    d.m_strDatabase = name.c_str();
    std::string sql;
    for (int i = 0; sql.size() < size / 2; ++i)
        sql += "SELECT column_" + std::to_string(i) + " FROM " + name + "\r\n";
    d.m_strEditedSQL = sql.c_str();
    for (std::size_t i = 0; withTables && i * 24 < size / 2; ++i)
        d.AddTable(new CString((name + "_table_" + std::to_string(i)).c_str()));
}

// Saves documents[0] and documents[1] to path once each, for their texts,
// then kKills times forks a child that runs save(round) until it is killed
// after a random delay (spread over about six saves). Counts the kills
// that left texts[0], texts[1], or neither (torn; the file then gets
// texts[0] again); after each kill, check() runs.
struct Tally {
    int saw[2] = {0, 0};
    int torn = 0;
};
template <typename Save, typename Check>
Tally KillSaves(CTWFileQDF (&documents)[2], const std::string& path, Save save, Check check) {
    std::string texts[2];
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 2; ++i) {
        EXPECT_GE(documents[i].SaveAs(path.c_str()), 0);
        EXPECT_GE(documents[i].Close(), 0);
        texts[i] = twtest::ReadAll(path);
    }
    const auto spread = std::chrono::duration_cast<std::chrono::microseconds>(
        (std::chrono::steady_clock::now() - started) * 3);
    std::mt19937 random(20240613u);
    std::uniform_int_distribution<long> delay(0, std::max<long>(spread.count(), 1000));
    Tally tally;
    for (int round = 0; round < kKills; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            save(round);
            _exit(2);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        EXPECT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status)) << "the saving process failed on its own";
        const std::string text = twtest::ReadAll(path);
        if (text != texts[0] && text != texts[1]) {
            ++tally.torn;
            twtest::WriteAll(path, texts[0]);
        } else {
            ++tally.saw[text == texts[0] ? 0 : 1];
        }
        check();
    }
    return tally;
}

// A replacing save is never torn; a killed one's temporary is removed by a
// later save.
TEST(KilledSave, LeavesTheEarlierOrTheLaterDocumentInFull) {
    twtest::TempDir dir;
    const std::string path = dir.File("sales.qdf");
    CTWFileQDF documents[2];
    Fill(documents[0], "first", 3u << 20);
    Fill(documents[1], "second", 4u << 20);
    // Each is closed after its save: a document holds its file for writing.
    const auto save = [&](int) {
        for (int i = 0;; i ^= 1) {
            if (documents[i].SaveAs(path.c_str()) < 0 || documents[i].Close() < 0) _exit(1);
        }
    };
    std::size_t debris = 0;
    const Tally tally =
        KillSaves(documents, path, save, [&] { debris = std::max(debris, Debris(dir).size()); });
    EXPECT_EQ(tally.torn, 0);
    ASSERT_GE(documents[0].SaveAs(path.c_str()), 0);
    EXPECT_EQ(Debris(dir), std::vector<std::string>());
    std::cout << "killed " << kKills << " saves: " << tally.saw[0] << " left the first document, "
              << tally.saw[1] << " the second; at most " << debris
              << " temporary files at once, each removed by a later save\n";
}

// Saves in place (the names of new files are refused): a kill during the
// rewrite may tear the file, and is counted.
TEST(KilledSave, InPlaceLeavesEitherDocumentOrIsCountedTorn) {
    twtest::TempDir dir;
    const std::string path = dir.File("sales.qdf");
    CTWFileQDF documents[2];
    Fill(documents[0], "first", 3u << 20, false);
    Fill(documents[1], "second", 4u << 20, false);
    const auto save = [&](int round) {
        win32::fault::ArmFrom(win32::fault::Kind::Open, 2);
        CTWFileQDF d;
        if (d.Open(path.c_str(), 0) < 0 || d.IsFileOpen() == 0) _exit(1);
        for (int i = round % 2;; i ^= 1) {
            d.m_strDatabase = documents[i].m_strDatabase;
            d.m_strEditedSQL = documents[i].m_strEditedSQL;
            if (d.Save() < 0) _exit(1);
        }
    };
    const Tally tally = KillSaves(documents, path, save, [] {});
    std::cout << "killed " << kKills << " saves in place: " << tally.saw[0]
              << " left the first document, " << tally.saw[1] << " the second, " << tally.torn
              << " a torn file\n";
}

#endif  // fork and SIGKILL

}  // namespace
}  // namespace faults
