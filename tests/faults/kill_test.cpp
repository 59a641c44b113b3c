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

// The hidden files beside the document (only those that hold bytes when
// withBytes).
std::vector<std::string> Debris(const twtest::TempDir& dir, bool withBytes) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        const std::string name = entry.path().filename().string();
        if (name == "sales.qdf" || (withBytes && entry.file_size() == 0)) continue;
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

// Saves the two documents in turn until killed; exits 1 on a failed save.
// Each is closed after its save: a document holds its file for writing.
[[noreturn]] void SaveForever(CTWFileQDF* documents[2], const std::string& path) {
    for (int i = 0;; i ^= 1) {
        if (documents[i]->SaveAs(path.c_str()) < 0 || documents[i]->Close() < 0) _exit(1);
    }
}

TEST(KilledSave, LeavesTheEarlierOrTheLaterDocumentInFull) {
    twtest::TempDir dir;
    const std::string path = dir.File("sales.qdf");
    CTWFileQDF first;
    CTWFileQDF second;
    Fill(first, "first", 3u << 20);
    Fill(second, "second", 4u << 20);
    CTWFileQDF* documents[] = {&second, &first};

    // The two texts, and how long one save takes here.
    const auto started = std::chrono::steady_clock::now();
    ASSERT_GE(second.SaveAs(path.c_str()), 0);
    const auto saveTime = std::chrono::steady_clock::now() - started;
    const std::string secondText = twtest::ReadAll(path);
    ASSERT_GE(second.Close(), 0);
    ASSERT_GE(first.SaveAs(path.c_str()), 0);
    const std::string firstText = twtest::ReadAll(path);
    ASSERT_GE(first.Close(), 0);

    std::mt19937 random(20240613u);
    const auto spread = std::chrono::duration_cast<std::chrono::microseconds>(saveTime * 3);
    std::uniform_int_distribution<long> delay(0, std::max<long>(spread.count(), 1000));
    int sawFirst = 0;
    int sawSecond = 0;
    int debris = 0;
    for (int round = 0; round < kKills; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) SaveForever(documents, path);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving process failed on its own";

        const std::string text = twtest::ReadAll(path);
        ASSERT_TRUE(text == firstText || text == secondText)
            << "round " << round << ": the file holds " << text.size() << " bytes of neither";
        (text == firstText ? sawFirst : sawSecond)++;
        debris = std::max(debris, static_cast<int>(Debris(dir, false).size()));
    }
    // A save removes what the killed ones left, but for files that a writer
    // died before it wrote to (empty, they cost nothing).
    ASSERT_GE(first.SaveAs(path.c_str()), 0);
    ASSERT_GE(first.Close(), 0);
    EXPECT_EQ(Debris(dir, true), std::vector<std::string>());
    std::cout << "killed " << kKills << " saves: " << sawFirst << " left the first document, "
              << sawSecond << " the second; at most " << debris
              << " temporary files at once, removed by later saves\n";
}

// Saves in place (no file can be made beside the document) until killed.
TEST(KilledSave, InPlaceLeavesEitherDocumentOrIsCountedTorn) {
    twtest::TempDir dir;
    const std::string path = dir.File("sales.qdf");
    CTWFileQDF documents[2];
    std::string texts[2];
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < 2; ++i) {
        Fill(documents[i], i == 0 ? "first" : "second", (3u + i) << 20, false);
        ASSERT_GE(documents[i].SaveAs(path.c_str()), 0);
        ASSERT_GE(documents[i].Close(), 0);
        texts[i] = twtest::ReadAll(path);
    }
    const auto spread = std::chrono::duration_cast<std::chrono::microseconds>(
        (std::chrono::steady_clock::now() - started) * 2);
    std::mt19937 random(20261207u);
    std::uniform_int_distribution<long> delay(0, std::max<long>(spread.count(), 1000));
    int saw[2] = {0, 0};
    int torn = 0;
    for (int round = 0; round < kKills; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The names of new files are refused: every save goes in place.
            win32::fault::ArmFrom(win32::fault::Kind::Open, 2);
            CTWFileQDF d;
            if (d.Open(path.c_str(), 0) < 0 || d.IsFileOpen() == 0) _exit(1);
            for (int i = round % 2;; i ^= 1) {
                d.m_strDatabase = documents[i].m_strDatabase;
                d.m_strEditedSQL = documents[i].m_strEditedSQL;
                if (d.Save() < 0) _exit(1);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving process failed on its own";
        const std::string text = twtest::ReadAll(path);
        if (text == texts[0] || text == texts[1]) {
            saw[text == texts[0] ? 0 : 1]++;
        } else {
            ++torn;
            twtest::WriteAll(path, texts[0]);
        }
    }
    std::cout << "killed " << kKills << " saves in place: " << saw[0]
              << " left the first document, " << saw[1] << " the second, " << torn
              << " a torn file\n";
}

#endif  // fork and SIGKILL

}  // namespace
}  // namespace faults
