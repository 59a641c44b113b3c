#include <twfile/framework/string_map.h>

TW_IMPLEMENT_DYNAMIC(CMapStringToString, CObject)

namespace {

// A position is the address of the map's entry; the next one is found by key.
typedef std::map<CString, CString>::value_type Entry;

POSITION ToPosition(const Entry* entry) {
    return reinterpret_cast<POSITION>(const_cast<Entry*>(entry));
}

}  // namespace

CMapStringToString::~CMapStringToString() = default;

bool CMapStringToString::Lookup(const char* key, CString& value) const {
    const auto it = m_map.find(CString(key));
    if (it == m_map.end()) return false;
    value = it->second;
    return true;
}

CString& CMapStringToString::operator[](const char* key) {
    return m_map[CString(key)];
}

void CMapStringToString::SetAt(const char* key, const char* value) {
    (*this)[key] = value;
}

bool CMapStringToString::RemoveKey(const char* key) {
    return m_map.erase(CString(key)) > 0;
}

void CMapStringToString::RemoveAll() {
    m_map.clear();
}

POSITION CMapStringToString::GetStartPosition() const {
    return m_map.empty() ? nullptr : ToPosition(&*m_map.begin());
}

void CMapStringToString::GetNextAssoc(POSITION& pos, CString& key, CString& value) const {
    const Entry* entry = reinterpret_cast<const Entry*>(pos);
    key = entry->first;
    value = entry->second;
    auto it = m_map.find(entry->first);
    ++it;
    pos = it == m_map.end() ? nullptr : ToPosition(&*it);
}
