// The root of the framework's classes.
#ifndef TWFILE_FRAMEWORK_OBJECT_H
#define TWFILE_FRAMEWORK_OBJECT_H

#include <twfile/export.h>
#include <twfile/framework/runtime_class.h>

// Serialisation archives and dump contexts are not part of this framework;
// the virtual operations that take them keep their place and do nothing.
class CArchive;
class CDumpContext;

class TWFILE_API CObject {
  public:
    static CRuntimeClass* GetThisClass();
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject();
    virtual void Serialize(CArchive& archive);
    virtual void AssertValid() const;
    virtual void Dump(CDumpContext& context) const;

    bool IsKindOf(const CRuntimeClass* runtimeClass) const;

  protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

#endif  // TWFILE_FRAMEWORK_OBJECT_H
