// Uses the JSON form as an application would: a document made from JSON
// text, saved, opened again and written as JSON has the members it came from.
#include <twfile/json/document_json.h>
#include <twfile/twfile.h>

#include <cstdio>
#include <sstream>
#include <string>

static std::string Written(const CTWFileQDF& doc) {
    std::ostringstream out;
    twfile::json::WriteDocument(out, doc, {}, {twfile::json::Encoding::Windows1252, true});
    return out.str().substr(0, out.str().find("\"sectionsRead\""));  // the members
}

int main() {
    CTWFileQDF doc;
    twfile::json::ReadJson(R"({"database": "SALES", "tables": ["ORDERS", "CUSTOMERS"],
        "editedSQL": "SELECT *\r\nFROM ORDERS", "time": {"zone": 2, "text": "Z\u00fcrich"}})",
                           doc, twfile::json::Encoding::Windows1252);
    CTWFile32 temp;
    if (temp.CreateFileTemp("json") < 0 || !temp.IsFileOpen()) return 1;
    const std::string name = temp.GetFileName();
    temp.CloseFile();
    const int saved = doc.SaveAs(name.c_str());
    doc.Close();
    CTWFileQDF read;
    read.Open(name.c_str(), 0);
    std::remove(name.c_str());
    if (saved < 0 || CTWError::IsError()) return 2;
    if (Written(read) != Written(doc)) return 3;
    std::printf("json consumer ok\n");
    return 0;
}
