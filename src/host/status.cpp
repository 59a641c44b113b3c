#include <twfile/host/error.h>
#include <twfile/host/status.h>

namespace twfile {
namespace status {

int Raise(int number, const char* text, int line, const char* source) {
    if (number < 0) {
        try {
            CTWError::m_strError = text;
        } catch (...) {
            CTWError::m_strError.Empty();
        }
        CTWError::m_nError = number;
        CTWError::m_nLine = line;
        CTWError::CreateThreadObject();
    }
    return ExitPending(source);
}

bool PassOnPending(int line) {
    if (CTWError::m_nError < 0 && CTWError::IsError() != 0) {
        CTWError::m_strError.Empty();
        CTWError::m_nLine = line;
        CTWError::UpdateThreadObject();
        return true;
    }
    return false;
}

int ExitPending(const char* source) {
    if (CTWError::m_nError >= 0) return CTWError::m_nError;
    return CTWError::ShowError(source);
}

}  // namespace status
}  // namespace twfile
