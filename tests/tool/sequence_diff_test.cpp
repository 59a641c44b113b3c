#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "document_diff.h"
#include "sequence_diff.h"
#include "testing/temp_dir.h"

namespace {

using qdf::AlignSequences;
using qdf::Edit;
using qdf::EditKind;

std::vector<Edit> Align(const std::vector<int>& a, const std::vector<int>& b) {
    return AlignSequences(a.size(), b.size(),
                          [&](std::size_t i, std::size_t j) { return a[i] == b[j]; });
}

// Replays the edits on a: they must rebuild b, visit every element of both
// once and in order, and keep only equal pairs. Returns the number of
// removals and insertions.
std::size_t Replay(const std::vector<int>& a, const std::vector<int>& b,
                   const std::vector<Edit>& edits) {
    std::vector<int> rebuilt;
    std::size_t nextA = 0, nextB = 0, changes = 0;
    for (const Edit& e : edits) {
        if (e.kind != EditKind::Insert) {
            EXPECT_EQ(e.a, nextA++);
        }
        if (e.kind != EditKind::Remove) {
            EXPECT_EQ(e.b, nextB++);
            rebuilt.push_back(b[e.b]);
        }
        if (e.kind == EditKind::Keep) {
            EXPECT_EQ(a[e.a], b[e.b]);
        }
        if (e.kind != EditKind::Keep) ++changes;
        if (e.kind == EditKind::Remove && &e != &edits.front()) {
            EXPECT_NE((&e - 1)->kind, EditKind::Insert) << "a removal after an insertion";
        }
    }
    EXPECT_EQ(nextA, a.size());
    EXPECT_EQ(rebuilt, b);
    return changes;
}

std::size_t LongestCommon(const std::vector<int>& a, const std::vector<int>& b) {
    std::vector<std::vector<std::size_t>> t(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = a.size(); i-- > 0;)
        for (std::size_t j = b.size(); j-- > 0;)
            t[i][j] = a[i] == b[j] ? t[i + 1][j + 1] + 1 : std::max(t[i + 1][j], t[i][j + 1]);
    return t[0][0];
}

TEST(SequenceDiff, RandomPairsGetAShortestScript) {
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::vector<int> a(random() % 12), b(random() % 12);
        const int alphabet = 1 + static_cast<int>(random() % 4);
        for (int& v : a)
            v = static_cast<int>(random() % alphabet);
        for (int& v : b)
            v = static_cast<int>(random() % alphabet);
        const std::size_t changes = Replay(a, b, Align(a, b));
        ASSERT_EQ(changes, a.size() + b.size() - 2 * LongestCommon(a, b)) << "round " << round;
    }
}

TEST(SequenceDiff, OneRemovalFromTheFrontOfALongListIsOneChange) {
    std::vector<int> a(200000);
    for (std::size_t i = 0; i < a.size(); ++i)
        a[i] = static_cast<int>(i);
    const std::vector<int> b(a.begin() + 1, a.end());
    const std::vector<Edit> edits = Align(a, b);
    EXPECT_EQ(Replay(a, b, edits), 1u);
    EXPECT_EQ(edits.front().kind, EditKind::Remove);
}

// Two long lists with nothing in common, and with changes everywhere, give
// a valid script without running away: the search gives up its shortest
// path past its bound and still aligns the runs it found.
TEST(SequenceDiff, LargeUnlikeListsStillGiveAValidScript) {
    std::vector<int> a(60000), b(60000), c(a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        a[i] = static_cast<int>(i);
        b[i] = -1 - static_cast<int>(i);
        c[i] = i % 7 == 0 ? -1 : a[i];
    }
    EXPECT_EQ(Replay(a, b, Align(a, b)), a.size() + b.size());
    EXPECT_LE(Replay(a, c, Align(a, c)), 2 * (a.size() / 7 + 1) * 3 / 2);
}

// Edited SQL is shown as `diff -u` shows it: hunks checked against the
// system's diff on texts whose shortest alignment is unique.
TEST(SequenceDiff, TextHunksAreThoseOfDiffU) {
#ifdef _WIN32
    GTEST_SKIP() << "no diff program on Windows";
#else
    const char* const rows[][2] = {
        {"SELECT a\nFROM t\n", "SELECT b\nFROM t\n"},
        {"1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\n14\n15\n16\n",
         "1\n2\nX\n4\n5\n6\n7\n8\n9\n10\n11\n12\n13\nY\n15\n16\n"},
        {"1\n2\n3\n4\n5\n6\n7\n8\n9\n", "1\n2\n3\nX\n5\n6\n7\n8\nY\n"},
        {"", "SELECT 1\n"},
        {"a\nb\n", ""},
        {"a\nb\nc\n", "a\nc\n"},
        {"a\nc\n", "a\nb\nc\n"},
        {"same\n", "same\n"},
    };
    twtest::TempDir dir;
    for (const auto& row : rows) {
        std::ofstream(dir.File("a"), std::ios::binary) << row[0];
        std::ofstream(dir.File("b"), std::ios::binary) << row[1];
        std::string expected;
        FILE* pipe = popen(("diff -u " + dir.File("a") + " " + dir.File("b")).c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        char buffer[4096];
        for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            expected.append(buffer, n);
        pclose(pipe);
        // Without the two lines that name the files.
        const std::size_t hunks = expected.find("@@");
        expected = hunks == std::string::npos ? "" : expected.substr(hunks);
        std::string ours;
        for (const std::string& line : qdf::UnifiedLines(row[0], row[1]))
            ours += line + "\n";
        EXPECT_EQ(ours, expected) << row[0] << "|" << row[1];
    }
#endif
}

}  // namespace
