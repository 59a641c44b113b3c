// Opens a query definition file, adds a WHERE condition to it and saves the
// result under a new name:
//
//   add_condition sales.qdf sales-a.qdf "CUSTOMERS.NAME LIKE 'A%'"
//
// (The words of the condition may also come as separate arguments.)
//
// The condition is bound to a string attribute NAME of the table CUSTOMERS
// and checked before it is added; the document stores it as a text line.
#include <cstdio>
#include <string>

#include <twfile/twfile.h>

namespace {

// Prints the pending error of the library, if any, and clears it. Returns
// true when there was one.
bool Failed(const char* what) {
    if (CTWError::GetNumber() >= 0) return false;
    std::fprintf(stderr, "add_condition: %s: error %d: %s\n", what, CTWError::GetNumber(),
                 CTWError::GetMessage());
    CTWError::Clear();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: add_condition INPUT.qdf OUTPUT.qdf \"CONDITION\"\n");
        return 2;
    }
    const char* input = argv[1];
    const char* output = argv[2];
    std::string text = argv[3];
    for (int i = 4; i < argc; ++i)
        text += std::string(" ") + argv[i];

    CTWFileQDF document;
    document.Open(input, 1);
    if (Failed(input)) return 1;
    if (!document.IsFileOpen()) return 1;  // the reason has been shown

    // The schema of the database: in an application it comes from the
    // database; here one table and one attribute are enough.
    CTWDB_Table customers("CUSTOMERS");
    CTWDB_Attribute name(&customers, "NAME", TWDB_String);

    CTWFileQDFCondition condition;
    int valid = 0;
    condition.ValidateCondition(text.c_str(), &name, valid, 0);
    condition.CheckCondition(valid, 1);  // shows why a condition is not valid
    if (Failed("condition")) return 1;
    if (!valid) return 1;

    // The document owns the strings of its lists, once it has taken them: a
    // list that cannot grow leaves the string to the caller.
    CString* line = new CString(condition.GetFullNameText());
    document.AddCondition(line);
    if (Failed("adding the condition")) {
        delete line;
        return 1;
    }

    document.SaveAs(output);
    if (Failed(output)) return 1;
    document.Close();

    std::printf("%s: %d conditions\n", output, document.m_pConditionList->GetCount());
    return 0;
}
