#include "query/section_table.h"

#include "query/section_io.h"

namespace twfile {
namespace query {

// Name, version written, versions read, writer, reader, read indicator,
// reported when not read, how the reader leaves the section.
const Section kSections[CTWFileQDF::kSectionCount] = {
    {"HEADER", {2, 0}, {{1, 0}, {2, 0}}, WriteHeaderSection, ReadHeaderSection, 0, true},
    {"DATABASE", {1, 0}, {{1, 0}}, WriteDatabaseSection, ReadDatabaseSection, 1, true},
    {"TABLES", {1, 0}, {{1, 0}}, WriteTablesSection, ReadTablesSection, 2, true},
    {"ATTRIBUTES", {1, 0}, {{1, 0}}, WriteAttributesSection, ReadAttributesSection, 3, true},
    {"CONDITIONS", {1, 0}, {{1, 0}}, WriteConditionsSection, ReadConditionsSection, 4, true},
    {"JOINS", {1, 0}, {{1, 0}}, WriteJoinsSection, ReadJoinsSection, 5, true},
    {"FLAGS", {2, 1}, {{1, 0}, {2, 0}, {2, 1}}, WriteFlagsSection, ReadFlagsSection, 6, true},
    {"WINDOW-POSITION",
     {1, 0},
     {{1, 0}},
     WriteWindowPositionSection,
     ReadWindowPositionSection,
     7,
     true},
    {"EDITED-SQL",
     {1, 0},
     {{1, 0}},
     WriteEditedSQLSection,
     ReadEditedSQLSection,
     8,
     true,
     Section::End::InBody},
    {"CUSTOM-DATA-STRING",
     {1, 0},
     {{1, 0}},
     WriteCustomDataStringSection,
     ReadCustomDataStringSection,
     9,
     true},
    {"DEFAULT-VALUES",
     {2, 0},
     {{2, 0}},
     WriteDefaultValuesSection,
     ReadDefaultValuesSection,
     10,
     true,
     Section::End::AfterBody},
    {"NON-DISPLAY-ATTRIBUTES",
     {2, 0},
     {{2, 0}},
     WriteNonDisplayAttributesSection,
     ReadNonDisplayAttributesSection,
     11,
     true},
    {"TIME", {1, 0}, {{1, 0}}, WriteTimeZone, ReadTimeZone, 12, false},
    {"DISPLAY-PROPERTIES",
     {2, 0},
     {{1, 0}, {2, 0}},
     WriteDisplayProperties,
     ReadDisplayProperties,
     13,
     false},
    {"PRINTER-PROPERTIES",
     {3, 0},
     {{1, 0}, {2, 0}, {3, 0}},
     WritePrinterProperties,
     ReadPrinterProperties,
     Section::kNoIndicator,
     false},
    {"DYNAMIC-SORT",
     {1, 0},
     {{1, 0}},
     WriteDynSortSection,
     ReadDynamicSortProperties,
     Section::kNoIndicator,
     false},
};

}  // namespace query
}  // namespace twfile

const char* CTWFileQDF::SectionName(int index) {
    return index >= 0 && index < kSectionCount ? twfile::query::kSections[index].name : nullptr;
}
