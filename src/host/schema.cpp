#include <twfile/host/error.h>
#include <twfile/host/schema.h>
#include <twfile/host/status.h>
#include "platform/fault.h"

#define TW_SOURCE "TWDB"

namespace {

bool SchemaFails() {
    return win32::fault::ShouldFail(win32::fault::Kind::Schema);
}

}  // namespace

CTWDB_Table::CTWDB_Table(const char* name) : m_strName(name), m_bHasName(name != nullptr) {}

CTWDB_Table::~CTWDB_Table() = default;

const char* CTWDB_Table::GetTableName() const {
    return m_bHasName ? m_strName.GetString() : nullptr;
}

CTWDB_Attribute::CTWDB_Attribute(CTWDB_Table* owner, const char* name, TWDB_DataType type)
    : m_pOwner(owner), m_strName(name), m_eType(type) {
    const char* table = owner != nullptr ? owner->GetTableName() : nullptr;
    if (table != nullptr) {
        m_strTableAttributeName = table;
        m_strTableAttributeName += ".";
    }
    m_strTableAttributeName += m_strName;
    m_strUniqueName = m_strTableAttributeName;
}

CTWDB_Attribute::~CTWDB_Attribute() = default;

void CTWDB_Attribute::SetUniqueName(const char* name) {
    m_strUniqueName = name;
}

const char* CTWDB_Attribute::GetAttributeName() const {
    return m_strName.GetString();
}

const char* CTWDB_Attribute::GetUniqueName() const {
    return m_strUniqueName.GetString();
}

const char* CTWDB_Attribute::GetTableAttributeName() const {
    if (SchemaFails()) TW_RAISE_RETURN(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected, nullptr);
    return m_strTableAttributeName.GetString();
}

TWDB_DataType CTWDB_Attribute::GetDataType() const {
    if (SchemaFails())
        TW_RAISE_RETURN(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected, TWDB_Unknown);
    return m_eType;
}

CTWDB_Table* CTWDB_Attribute::GetOwnerTable() const {
    if (SchemaFails()) TW_RAISE_RETURN(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected, nullptr);
    return m_pOwner;
}

TW_IMPLEMENT_DYNAMIC(CTWDB_AttributeList, CPtrList)

CTWDB_AttributeList::CTWDB_AttributeList() : CPtrList(10) {}

CTWDB_AttributeList::~CTWDB_AttributeList() = default;

int CTWDB_AttributeList::InList(CTWDB_Table* table) const {
    if (SchemaFails()) TW_RAISE_RETURN(ID_TWErrors_UnExpected, IDS_TWErrors_UnExpected, 0);
    for (POSITION pos = GetHeadPosition(); pos != nullptr;) {
        const CTWDB_Attribute* attribute = static_cast<const CTWDB_Attribute*>(GetNext(pos));
        if (attribute != nullptr && attribute->GetOwnerTable() == table) return 1;
    }
    return 0;
}
