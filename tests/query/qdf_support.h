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
    const auto text = [](const CString& s) {
        return std::string(s.GetString(), static_cast<std::size_t>(s.GetLength()));
    };
    const auto list = [&](const CPtrList* l) {
        std::string joined;
        for (POSITION pos = l != nullptr ? l->GetHeadPosition() : nullptr; pos != nullptr;)
            joined += (joined.empty() ? "" : "|") + text(*static_cast<CString*>(l->GetNext(pos)));
        return joined;
    };
    const auto number = [](int n) { return std::to_string(n); };
#define M(name, view) \
    { #name, view(d.m_##name) }
    // clang-format off
    return {M(strDatabase, text), M(pTableList, list), M(pAttributeList, list),
            M(pConditionList, list), M(pJoinList, list), M(bEditedSQL, number),
            M(bActiveQuery, number), M(bReadOnly, number), M(bSelectionByRow, number),
            M(bAutoRunWithoutConditions, number), M(strWindowPosition, text),
            M(strEditedSQL, text), M(strCustomDataString, text), M(pDefaultValuesList, list),
            M(pAttributeNonDisplayList, list), M(nTimeZone, number), M(strTimeZone, text),
            M(nDisplayProperty1, number), M(strBackgroundColour, text), M(strTextColour, text),
            M(nDisplayProperty2, number), M(strPrinterProperty1, text),
            M(strPrinterProperty2, text), M(strPrinterProperty3, text),
            M(strPrinterProperty4, text), M(strPrinterProperty5, text),
            M(strPrinterProperty6, text), M(strPrinterProperty7, text),
            M(strPrinterProperty8, text), M(nPrinterProperty1, number),
            M(nPrinterProperty2, number), M(strDynamicSort, text), M(nDynamicSort1, number),
            M(nDynamicSort2, number), M(nDynamicSort3, number)};
    // clang-format on
#undef M
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
