// A map from string to string.
#ifndef TWFILE_FRAMEWORK_STRING_MAP_H
#define TWFILE_FRAMEWORK_STRING_MAP_H

#include <map>

#include <twfile/export.h>
#include <twfile/framework/object.h>
#include <twfile/framework/ptr_list.h>
#include <twfile/framework/string.h>

// Keys are compared byte for byte. Iteration runs in key order. Allocation
// failures throw (CMemoryException or std::bad_alloc).
class TWFILE_API CMapStringToString : public CObject {
    TW_DECLARE_DYNAMIC(CMapStringToString)
  public:
    CMapStringToString() = default;
    ~CMapStringToString() override;

    int GetCount() const { return static_cast<int>(m_map.size()); }
    int GetSize() const { return GetCount(); }
    bool IsEmpty() const { return m_map.empty(); }

    // True and the value when key is present.
    bool Lookup(const char* key, CString& value) const;
    // The value of key, added with an empty value when new.
    CString& operator[](const char* key);
    void SetAt(const char* key, const char* value);
    bool RemoveKey(const char* key);
    void RemoveAll();

    POSITION GetStartPosition() const;
    void GetNextAssoc(POSITION& pos, CString& key, CString& value) const;

  private:
    std::map<CString, CString> m_map;
};

#endif  // TWFILE_FRAMEWORK_STRING_MAP_H
