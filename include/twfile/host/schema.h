// The database schema: tables, their attributes and lists of attributes.
//
// The library only reads these objects and never owns them. The accessors
// that callers check follow the error service's rules: they raise (source
// "TWDB") only when a test arms the schema fault.
#ifndef TWFILE_HOST_SCHEMA_H
#define TWFILE_HOST_SCHEMA_H

#include <twfile/export.h>
#include <twfile/framework/object.h>
#include <twfile/framework/ptr_list.h>
#include <twfile/framework/string.h>

enum TWDB_DataType {
    TWDB_Unknown = 0,
    TWDB_Integer = 1,
    TWDB_String = 2,
    TWDB_Bool = 3,
    TWDB_Real = 4,
    TWDB_Time = 5
};

class TWFILE_API CTWDB_Table : public CObject {
  public:
    // A null name gives a table without a name.
    explicit CTWDB_Table(const char* name);
    ~CTWDB_Table() override;

    // The table's name as SQL writes it; null when it has none.
    const char* GetTableName() const;

  private:
    CString m_strName;
    bool m_bHasName;
};

class TWFILE_API CTWDB_Attribute : public CObject {
  public:
    CTWDB_Attribute(CTWDB_Table* owner, const char* name, TWDB_DataType type);
    ~CTWDB_Attribute() override;

    // The name that tells the attribute apart within the schema; by default
    // the table-qualified name.
    void SetUniqueName(const char* name);

    // The attribute's own name; never null.
    const char* GetAttributeName() const;
    const char* GetUniqueName() const;
    // Owner name, ".", attribute name; the attribute name alone without an
    // owner (or an owner without a name). Null when it fails.
    const char* GetTableAttributeName() const;
    // TWDB_Unknown when it fails.
    TWDB_DataType GetDataType() const;
    // Null without an owner or when it fails.
    CTWDB_Table* GetOwnerTable() const;

  private:
    CTWDB_Table* m_pOwner;
    CString m_strName;
    CString m_strTableAttributeName;
    CString m_strUniqueName;
    TWDB_DataType m_eType;
};

// A list of attribute pointers; it does not own the attributes.
class TWFILE_API CTWDB_AttributeList : public CPtrList {
    TW_DECLARE_DYNAMIC(CTWDB_AttributeList)
  public:
    CTWDB_AttributeList();
    ~CTWDB_AttributeList() override;

    // Nonzero when one of the attributes belongs to table; 0 when it fails.
    int InList(CTWDB_Table* table) const;
};

#endif  // TWFILE_HOST_SCHEMA_H
