#include <twfile/framework/cmd_target.h>

TW_IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

CCmdTarget::~CCmdTarget() = default;

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    static const AFX_MSGMAP map = {nullptr};
    return &map;
}
