// Run-time class records: class name, schema, factory and base record.
#ifndef TWFILE_FRAMEWORK_RUNTIME_CLASS_H
#define TWFILE_FRAMEWORK_RUNTIME_CLASS_H

#include <new>

#include <twfile/export.h>

class CObject;

struct TWFILE_API CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    unsigned int m_wSchema;  // 0xFFFF: the class is never serialised
    CObject* (*m_pfnCreateObject)();
    CRuntimeClass* (*m_pfnGetBaseClass)();

    // A new default-constructed object, or null when the class is not
    // creatable or memory is exhausted.
    CObject* CreateObject() const;
    // True when this class is base or derives from it.
    bool IsDerivedFrom(const CRuntimeClass* base) const;
    CRuntimeClass* GetBaseClass() const {
        return m_pfnGetBaseClass != nullptr ? m_pfnGetBaseClass() : nullptr;
    }
};

#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

// In a class body: the class's record and its virtual accessor.
#define TW_DECLARE_DYNAMIC(class_name)    \
  public:                                 \
    static CRuntimeClass* GetThisClass(); \
    CRuntimeClass* GetRuntimeClass() const override;

// As TW_DECLARE_DYNAMIC, plus the static factory.
#define TW_DECLARE_DYNCREATE(class_name) \
    TW_DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define TW_IMPLEMENT_RUNTIMECLASS(class_name, base_name, schema, factory)                         \
    CRuntimeClass* class_name::GetThisClass() {                                                   \
        static CRuntimeClass record = {#class_name, static_cast<int>(sizeof(class_name)), schema, \
                                       factory, &base_name::GetThisClass};                        \
        return &record;                                                                           \
    }                                                                                             \
    CRuntimeClass* class_name::GetRuntimeClass() const {                                          \
        return class_name::GetThisClass();                                                        \
    }

#define TW_IMPLEMENT_DYNAMIC(class_name, base_name) \
    TW_IMPLEMENT_RUNTIMECLASS(class_name, base_name, 0xFFFFu, nullptr)

#define TW_IMPLEMENT_DYNCREATE(class_name, base_name) \
    CObject* class_name::CreateObject() {             \
        return new (std::nothrow) class_name;         \
    }                                                 \
    TW_IMPLEMENT_RUNTIMECLASS(class_name, base_name, 0xFFFFu, &class_name::CreateObject)

#endif  // TWFILE_FRAMEWORK_RUNTIME_CLASS_H
