#include <twfile/query/members.h>

namespace twfile {
namespace query {

namespace {

using D = CTWFileQDF;

constexpr Member Text(const char* path, const char* name, CString D::*text, bool oneLine = true) {
    return {path, name, MemberKind::Text, text, nullptr, nullptr, nullptr, nullptr, oneLine};
}

constexpr Member Number(const char* path, const char* name, int D::*number) {
    return {path, name, MemberKind::Number, nullptr, number, nullptr, nullptr, nullptr, false};
}

constexpr Member Flag(const char* path, const char* name, int D::*number) {
    return {path, name, MemberKind::Flag, nullptr, number, nullptr, nullptr, nullptr, false};
}

constexpr Member List(const char* path, const char* name, CPtrList* D::*list,
                      void (D::*add)(CString*), void (D::*clear)()) {
    return {path, name, MemberKind::List, nullptr, nullptr, list, add, clear, false};
}

constexpr Member kMembers[] = {
    Text("database", "m_strDatabase", &D::m_strDatabase),
    List("tables", "m_pTableList", &D::m_pTableList, &D::AddTable, &D::DeleteTableList),
    List("attributes", "m_pAttributeList", &D::m_pAttributeList, &D::AddAttribute,
         &D::DeleteAttributeList),
    List("nonDisplayAttributes", "m_pAttributeNonDisplayList", &D::m_pAttributeNonDisplayList,
         &D::AddAttributeNonDisplay, &D::DeleteAttributeNonDisplayList),
    List("conditions", "m_pConditionList", &D::m_pConditionList, &D::AddCondition,
         &D::DeleteConditionList),
    List("joins", "m_pJoinList", &D::m_pJoinList, &D::AddJoin, &D::DeleteJoinList),
    List("defaultValues", "m_pDefaultValuesList", &D::m_pDefaultValuesList, &D::AddDefaultValue,
         &D::DeleteDefaultValuesList),
    Flag("flags.editedSQL", "m_bEditedSQL", &D::m_bEditedSQL),
    Flag("flags.activeQuery", "m_bActiveQuery", &D::m_bActiveQuery),
    Flag("flags.readOnly", "m_bReadOnly", &D::m_bReadOnly),
    Flag("flags.selectionByRow", "m_bSelectionByRow", &D::m_bSelectionByRow),
    Flag("flags.autoRunWithoutConditions", "m_bAutoRunWithoutConditions",
         &D::m_bAutoRunWithoutConditions),
    Text("windowPosition", "m_strWindowPosition", &D::m_strWindowPosition),
    Text("editedSQL", "m_strEditedSQL", &D::m_strEditedSQL, false),
    Text("customDataString", "m_strCustomDataString", &D::m_strCustomDataString),
    Number("time.zone", "m_nTimeZone", &D::m_nTimeZone),
    Text("time.text", "m_strTimeZone", &D::m_strTimeZone),
    Number("display.property1", "m_nDisplayProperty1", &D::m_nDisplayProperty1),
    Text("display.backgroundColour", "m_strBackgroundColour", &D::m_strBackgroundColour),
    Text("display.textColour", "m_strTextColour", &D::m_strTextColour),
    Number("display.property2", "m_nDisplayProperty2", &D::m_nDisplayProperty2),
    Text("printer.strings[0]", "m_strPrinterProperty1", &D::m_strPrinterProperty1),
    Text("printer.strings[1]", "m_strPrinterProperty2", &D::m_strPrinterProperty2),
    Text("printer.strings[2]", "m_strPrinterProperty3", &D::m_strPrinterProperty3),
    Text("printer.strings[3]", "m_strPrinterProperty4", &D::m_strPrinterProperty4),
    Text("printer.strings[4]", "m_strPrinterProperty5", &D::m_strPrinterProperty5),
    Text("printer.strings[5]", "m_strPrinterProperty6", &D::m_strPrinterProperty6),
    Text("printer.strings[6]", "m_strPrinterProperty7", &D::m_strPrinterProperty7),
    Text("printer.strings[7]", "m_strPrinterProperty8", &D::m_strPrinterProperty8),
    Number("printer.property1", "m_nPrinterProperty1", &D::m_nPrinterProperty1),
    Number("printer.property2", "m_nPrinterProperty2", &D::m_nPrinterProperty2),
    Text("dynamicSort.text", "m_strDynamicSort", &D::m_strDynamicSort),
    Number("dynamicSort.sort1", "m_nDynamicSort1", &D::m_nDynamicSort1),
    Number("dynamicSort.sort2", "m_nDynamicSort2", &D::m_nDynamicSort2),
    Number("dynamicSort.sort3", "m_nDynamicSort3", &D::m_nDynamicSort3),
};

}  // namespace

MemberTable Members() {
    return {kMembers, sizeof kMembers / sizeof kMembers[0]};
}

}  // namespace query
}  // namespace twfile
