// Support for the document's tests: fixture files, files built section by
// section, and a view of a document's members.
#ifndef TWFILE_TESTS_QUERY_QDF_SUPPORT_H
#define TWFILE_TESTS_QUERY_QDF_SUPPORT_H

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <twfile/host/error.h>
#include <twfile/query/members.h>
#include <twfile/query/qdf.h>

#include "support/support.h"

namespace qdftest {

using Document = CTWFileQDF;
using LineList = std::vector<std::string>;

constexpr char kAllRead[] = "11111111111111";
constexpr char kNoneRead[] = "00000000000000";

// The bytes of tests/data/qdf/name.
inline std::string Fixture(const std::string& name) {
    return twtest::ReadAll(std::string(TWFILE_TEST_DATA_DIR) + "/qdf/" + name);
}

// Lines joined, every one ended by CR LF.
inline std::string Lines(const LineList& lines) {
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

// One section: its start line and its body (Render adds "{" and "}").
struct SectionText {
    std::string start;
    LineList body;
};
using FileText = std::vector<SectionText>;

inline std::string Render(const FileText& sections) {
    std::string bytes;
    for (const SectionText& section : sections)
        bytes += Lines({section.start, "{"}) + Lines(section.body) + Lines({"}"});
    return bytes;
}

// The sections of sample.qdf, which holds a value in every member.
inline FileText SampleSections() {
    FileText sections;
    std::istringstream in(Fixture("sample.qdf"));
    bool inBody = false;
    for (std::string line; std::getline(in, line);) {
        line.pop_back();  // the CR of the line end
        if (!inBody) {
            sections.push_back({line, {}});
            std::getline(in, line);  // the opening line
            inBody = true;
        } else if (line == "}") {
            inBody = false;
        } else {
            sections.back().body.push_back(line);
        }
    }
    return sections;
}

// Appends texts to a list as heap strings.
inline void Fill(CPtrList* list, const LineList& texts) {
    for (const std::string& text : texts)
        list->AddTail(new CString(text.data(), static_cast<int>(text.size())));
}

// The fourteen read indicators as a string of 0 and 1, in file order.
inline std::string Indicators(const Document& document) {
    std::string flags;
    for (int read : document.m_bSectionRead)
        flags += read != 0 ? '1' : '0';
    return flags;
}

// Every member the file holds, by its name without "m_" ("strDatabase",
// "pTableList"); a list's elements are joined by "|".
using Members = std::map<std::string, std::string>;
inline Members MembersOf(const Document& d) {
    using twfile::query::MemberKind;
    const auto text = [](const CString& s) {
        return std::string(s.GetString(), static_cast<std::size_t>(s.GetLength()));
    };
    Members members;
    for (const twfile::query::Member& m : twfile::query::Members()) {
        std::string& value = members[m.name + 2];
        if (m.kind == MemberKind::Text) value = text(d.*m.text);
        if (m.kind == MemberKind::Number || m.kind == MemberKind::Flag) {
            value = std::to_string(d.*m.number);
        }
        const CPtrList* list = m.kind == MemberKind::List ? d.*m.list : nullptr;
        for (POSITION pos = list != nullptr ? list->GetHeadPosition() : nullptr; pos != nullptr;)
            value += (value.empty() ? "" : "|") + text(*static_cast<CString*>(list->GetNext(pos)));
    }
    return members;
}

// A temporary directory and the error state of one test.
class QdfTest : public ::testing::Test {
  protected:
    // Writes bytes to a new file and opens it into document.
    int OpenBytes(Document& document, const std::string& bytes, int readOnly = 1) {
        const std::string path = File("open" + std::to_string(++m_nFiles) + ".qdf");
        twtest::WriteAll(path, bytes);
        return document.Open(path.c_str(), readOnly);
    }
    std::string File(const std::string& name) const { return m_dir.File(name); }
    // The members of the file at path, opened into a new document in which
    // every section must be read.
    static Members Reopened(const std::string& path) {
        Document opened;
        EXPECT_GE(opened.Open(path.c_str(), 1), 0) << CTWError::GetMessage();
        EXPECT_EQ(Indicators(opened), kAllRead);
        return MembersOf(opened);
    }

    // The pending error's number and raised text, then clears it.
    struct Error {
        int number;
        std::string text;
    };
    static Error TakeError() {
        Error error{CTWError::GetNumber(), CTWError::GetMessage()};
        CTWError::Clear();
        return error;
    }

    twtest::TempDir m_dir;
    int m_nFiles = 0;
};

}  // namespace qdftest

#endif  // TWFILE_TESTS_QUERY_QDF_SUPPORT_H
