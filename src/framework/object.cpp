#include <twfile/framework/object.h>

CRuntimeClass* CObject::GetThisClass() {
    static CRuntimeClass record = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFFu, nullptr,
                                   nullptr};
    return &record;
}

CRuntimeClass* CObject::GetRuntimeClass() const {
    return CObject::GetThisClass();
}

CObject::~CObject() = default;

void CObject::Serialize(CArchive& /*archive*/) {}

void CObject::AssertValid() const {}

void CObject::Dump(CDumpContext& /*context*/) const {}

bool CObject::IsKindOf(const CRuntimeClass* runtimeClass) const {
    return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}
