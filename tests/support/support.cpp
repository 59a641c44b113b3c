#include "support/support.h"

#include <twfile/host/error.h>

#include <sys/stat.h>
#include <fstream>
#include <sstream>

#include "platform/last_error.h"
#include "platform/memory.h"

namespace twtest {

namespace {

std::vector<std::string>* g_texts = nullptr;

int Record(const char* text, unsigned int /*type*/, unsigned int /*helpId*/) {
    if (g_texts != nullptr) g_texts->push_back(text != nullptr ? text : "");
    return IDOK;
}

}  // namespace

// In blocks: a byte at a time is slow for files of megabytes in the
// sanitizer build.
std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string SystemText(unsigned long code) {
    char* text = nullptr;
    const win32::DWORD length = win32::FormatMessageA(
        win32::FORMAT_MESSAGE_ALLOCATE_BUFFER | win32::FORMAT_MESSAGE_FROM_SYSTEM, nullptr,
        static_cast<win32::DWORD>(code), win32::LANG_USER_DEFAULT, reinterpret_cast<char*>(&text),
        0, nullptr);
    std::string result = length > 0 && text != nullptr ? std::string(text, length) : "";
    win32::LocalFree(text);
    return result;
}

bool Exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

std::string TakeError() {
    std::string text = CTWError::GetNumber() < 0 ? CTWError::GetMessage() : "";
    CTWError::Clear();
    return text;
}

MessageRecorder::MessageRecorder() {
    static std::vector<std::string> texts;
    texts.clear();
    g_texts = &texts;
    m_previous = AfxSetMessageBoxHandler(&Record);
}

MessageRecorder::~MessageRecorder() {
    AfxSetMessageBoxHandler(m_previous);
    g_texts = nullptr;
}

const std::vector<std::string>& MessageRecorder::texts() const {
    return *g_texts;
}

void MessageRecorder::clear() {
    g_texts->clear();
}

}  // namespace twtest
