// The base of classes that could receive commands. Nothing here routes
// commands; the class keeps its place in the hierarchy and an empty message
// map.
#ifndef TWFILE_FRAMEWORK_CMD_TARGET_H
#define TWFILE_FRAMEWORK_CMD_TARGET_H

#include <twfile/export.h>
#include <twfile/framework/object.h>

// A message map with no entries, linked to its base's map.
struct AFX_MSGMAP {
    const AFX_MSGMAP* pBaseMap;
};

class TWFILE_API CCmdTarget : public CObject {
    TW_DECLARE_DYNAMIC(CCmdTarget)
  public:
    CCmdTarget() = default;
    ~CCmdTarget() override;
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

#endif  // TWFILE_FRAMEWORK_CMD_TARGET_H
