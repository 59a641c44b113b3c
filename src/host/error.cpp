#include <twfile/framework/message_box.h>
#include <twfile/host/error.h>

#include <cstdio>
#include <string>

const int ID_TWErrors_InvalidParam = -2;
const int ID_TWErrors_MemoryAlloc = -3;
const int ID_TWErrors_InvalidContext = -4;
const int ID_TWErrors_UnExpected = -5;
const char IDS_TWErrors_InvalidParam[] = "Invalid parameter";
const char IDS_TWErrors_MemoryAlloc[] = "Unable to allocate memory";
const char IDS_TWErrors_InvalidContext[] = "Operation not valid in the current context";
const char IDS_TWErrors_UnExpected[] = "An unexpected error occurred";

#if defined(TWFILE_ERROR_ACCESSORS_ONLY)
namespace {
TW_CONSTINIT thread_local int t_number = 0;
thread_local CString t_text;
TW_CONSTINIT thread_local int t_line = 0;
}  // namespace

int& CTWError::Number() {
    return t_number;
}
CString& CTWError::Text() {
    return t_text;
}
int& CTWError::Line() {
    return t_line;
}
#else
thread_local int CTWError::m_nError = 0;
thread_local CString CTWError::m_strError;
thread_local int CTWError::m_nLine = 0;

int& CTWError::Number() {
    return m_nError;
}
CString& CTWError::Text() {
    return m_strError;
}
int& CTWError::Line() {
    return m_nLine;
}
#endif

namespace {

// The calling thread's record of the pending error. Plain standard strings,
// so that keeping the record never raises another error.
struct Record {
    int number = 0;
    std::string message;
    std::string trail;
    bool shown = false;
};

thread_local Record t_record;

}  // namespace

int CTWError::IsError() {
    return m_nError < 0 ? 1 : 0;
}

int CTWError::CreateThreadObject() {
    t_record = Record{};
    t_record.number = m_nError;
    try {
        t_record.message = m_strError.GetString();
    } catch (...) {
        // Without memory for the text, the number still tells the error.
    }
    return 0;
}

int CTWError::UpdateThreadObject() {
    return 0;
}

int CTWError::Clear() {
    m_nError = 0;
    m_nLine = 0;
    m_strError.Empty();
    t_record = Record{};
    return 0;
}

int CTWError::ShowError(const char* file) {
    try {
        if (!t_record.trail.empty()) t_record.trail += " <- ";
        t_record.trail += file != nullptr ? file : "?";
        t_record.trail += '(' + std::to_string(m_nLine) + ')';
    } catch (...) {
    }
    if (!t_record.shown && m_nError < 0) {
        t_record.shown = true;
        AfxMessageBox(t_record.message.c_str(), MB_OK, 0);
    }
    return m_nError;
}

int CTWError::GetNumber() {
    return m_nError < 0 ? m_nError : 0;
}

const char* CTWError::GetMessage() {
    return m_nError < 0 ? t_record.message.c_str() : "";
}

const char* CTWError::GetTrail() {
    return m_nError < 0 ? t_record.trail.c_str() : "";
}
