#include "serve/answers.h"

#include <utility>

#include "commands.h"

namespace qdf {
namespace serve {

void AnswerJson(httplib::Response& response, int status, const Json& body) {
    AnswerJsonText(response, status, body.dump(-1, ' ', false, Json::error_handler_t::replace));
}

void AnswerJsonText(httplib::Response& response, int status, std::string text) {
    response.status = status;
    response.set_content(std::move(text), "application/json; charset=utf-8");
}

namespace {

// A stream's buffer that sends what it holds to the answer's sink.
class SinkBuffer : public std::streambuf {
  public:
    explicit SinkBuffer(httplib::DataSink& sink) : m_sink(sink) {
        setp(m_bytes, m_bytes + sizeof m_bytes);
    }

  protected:
    int_type overflow(int_type ch) override {
        if (sync() != 0) return traits_type::eof();
        if (!traits_type::eq_int_type(ch, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(ch);
            pbump(1);
        }
        return traits_type::not_eof(ch);
    }
    int sync() override {
        const std::size_t size = static_cast<std::size_t>(pptr() - pbase());
        if (size > 0 && (!m_sink.is_writable() || !m_sink.write(pbase(), size))) return -1;
        setp(m_bytes, m_bytes + sizeof m_bytes);
        return 0;
    }

  private:
    httplib::DataSink& m_sink;
    char m_bytes[1 << 16];
};

}  // namespace

void AnswerStream(httplib::Response& response, const char* type,
                  std::function<void(std::ostream&)> write) {
    response.status = 200;
    response.set_chunked_content_provider(
        type, [write = std::move(write)](std::size_t, httplib::DataSink& sink) {
            try {
                SinkBuffer buffer(sink);
                std::ostream out(&buffer);
                write(out);
                if (!out.flush()) return false;
            } catch (...) {
                return false;
            }
            sink.done();
            return true;
        });
}

void AnswerRefusal(httplib::Response& response, const Refusal& refusal) {
    Json error = {{"message", refusal.what()}};
    for (const auto& member : refusal.extra().items())
        error[member.key()] = member.value();
    AnswerJson(response, refusal.status(), Json{{"error", error}});
}

std::string MessagesOf(const std::string& err, const std::string& folder) {
    std::string messages;
    std::size_t start = 0;
    while (start < err.size()) {
        std::size_t end = err.find('\n', start);
        if (end == std::string::npos) end = err.size();
        std::string line = err.substr(start, end - start);
        start = end + 1;
        if (line.rfind("qdf: ", 0) == 0) line.erase(0, 5);
        for (std::size_t at = line.find(folder); !folder.empty() && at != std::string::npos;
             at = line.find(folder, at))
            line.erase(at, folder.size());
        if (line.empty()) continue;
        if (!messages.empty()) messages += '\n';
        messages += line;
    }
    return messages;
}

int StatusOf(int exitStatus) {
    if (exitStatus == kExitOk) return 200;
    return exitStatus == kExitInUse ? 409 : 400;
}

}  // namespace serve
}  // namespace qdf
