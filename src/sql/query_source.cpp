#include <twfile/framework/ptr_list.h>
#include <twfile/framework/string.h>
#include <twfile/sql/query_source.h>

namespace twfile {
namespace sql {

namespace {

std::string Bytes(const CString& text) {
    return std::string(text.GetString(), static_cast<std::size_t>(text.GetLength()));
}

std::vector<std::string> Lines(const CPtrList* list) {
    std::vector<std::string> lines;
    if (list == nullptr) return lines;
    for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
        const auto* text = static_cast<const CString*>(list->GetNext(pos));
        if (text != nullptr) lines.push_back(Bytes(*text));
    }
    return lines;
}

}  // namespace

QuerySource QuerySourceOf(const CTWFileQDF& doc) {
    QuerySource source;
    source.database = Bytes(doc.m_strDatabase);
    source.tables = Lines(doc.m_pTableList);
    source.attributes = Lines(doc.m_pAttributeList);
    source.nonDisplayAttributes = Lines(doc.m_pAttributeNonDisplayList);
    source.conditions = Lines(doc.m_pConditionList);
    source.joins = Lines(doc.m_pJoinList);
    source.defaultValues = Lines(doc.m_pDefaultValuesList);
    source.editedSQLSelected = doc.m_bEditedSQL != 0;
    source.editedSQL = Bytes(doc.m_strEditedSQL);
    source.dynamicSort = Bytes(doc.m_strDynamicSort);
    return source;
}

}  // namespace sql
}  // namespace twfile
