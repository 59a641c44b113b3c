#include "qdf_support.h"

#include <twfile/host/error.h>

namespace qdftest {

std::string FixturePath(const std::string& name) {
    return std::string(TWFILE_TEST_DATA_DIR) + "/qdf/" + name;
}

std::string Fixture(const std::string& name) {
    return twtest::ReadAll(FixturePath(name));
}

FileText SampleSections() {
    return {
        {"HEADER 2.0",
         {"This file contains the definition of an SQL query", "as created by the Tarnwick.",
          "It would be unwise to edit this file manually."}},
        {"DATABASE 1.0", {"SALES"}},
        {"TABLES 1.0", {"ORDERS", "CUSTOMERS", ""}},
        {"ATTRIBUTES 1.0", {"ORDERS.ID", "CUSTOMERS.NAME", ""}},
        {"CONDITIONS 1.0", {"ORDERS.ID > 10", ""}},
        {"JOINS 1.0", {"ORDERS.CUSTOMER = CUSTOMERS.ID", ""}},
        {"FLAGS 2.1",
         {"Edited SQL selected", "Active Query", "The Query is Read Only", "Selection is by ROW",
          "Auto Run Query Without Conditions"}},
        {"WINDOW-POSITION 1.0", {"10,20,300,400"}},
        {"EDITED-SQL 1.0", {"SELECT *", "FROM ORDERS"}},
        {"CUSTOM-DATA-STRING 1.0", {"custom"}},
        {"DEFAULT-VALUES 2.0", {"42", ""}},
        {"NON-DISPLAY-ATTRIBUTES 2.0", {"ORDERS.SECRET", ""}},
        {"TIME 1.0", {"3", "UTC+1"}},
        {"DISPLAY-PROPERTIES 2.0", {"7", "255", "65280", "9"}},
        {"PRINTER-PROPERTIES 3.0", {"p1", "p2", "p3", "p4", "p5", "p6", "p7", "p8", "11", "12"}},
        {"DYNAMIC-SORT 1.0", {"ORDERS.ID", "1", "2", "3"}},
    };
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + "\r\n";
    return bytes;
}

std::string Render(const FileText& sections) {
    std::string bytes;
    for (const SectionText& section : sections) {
        bytes += Lines({section.start, "{"}) + Lines(section.body) + Lines({"}"});
    }
    return bytes;
}

std::vector<std::string> Texts(const CPtrList* list) {
    std::vector<std::string> texts;
    if (list == nullptr) return texts;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        const CString* text = static_cast<const CString*>(list->GetNext(pos));
        texts.emplace_back(text->GetString(), static_cast<std::size_t>(text->GetLength()));
    }
    return texts;
}

void Fill(CPtrList* list, const std::vector<std::string>& texts) {
    if (list == nullptr) return;
    for (const std::string& text : texts) {
        list->AddTail(new CString(text.data(), static_cast<int>(text.size())));
    }
}

std::string Indicators(const CTWFileQDF& document) {
    std::string flags;
    for (int read : document.m_bSectionRead)
        flags += read != 0 ? '1' : '0';
    return flags;
}

int QdfTest::OpenBytes(CTWFileQDF& document, const std::string& bytes, int readOnly) {
    const std::string path = File("open" + std::to_string(++m_nFiles) + ".qdf");
    twtest::WriteAll(path, bytes);
    return document.Open(path.c_str(), readOnly);
}

QdfTest::Error QdfTest::TakeError() {
    Error error{CTWError::GetNumber(), CTWError::GetMessage()};
    CTWError::Clear();
    return error;
}

}  // namespace qdftest
