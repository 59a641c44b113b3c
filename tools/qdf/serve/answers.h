// What the server answers: JSON bodies, and the refusals a handler raises,
// each answered as {"error": {"message", ...}} with its HTTP status.
#ifndef QDF_SERVE_ANSWERS_H
#define QDF_SERVE_ANSWERS_H

#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>

#include <httplib.h>
#include <nlohmann/json.hpp>

namespace qdf {
namespace serve {

using Json = nlohmann::ordered_json;

// A request that cannot be done: status (400, 401, 403, 404, 409, 412, 413,
// 428, 500) and the message; extra members of the error object, when any.
class Refusal : public std::runtime_error {
  public:
    Refusal(int status, const std::string& message, Json extra = Json::object())
        : std::runtime_error(message), m_status(status), m_extra(std::move(extra)) {}
    int status() const { return m_status; }
    const Json& extra() const { return m_extra; }

  private:
    int m_status;
    Json m_extra;
};

// Answers status with body as JSON text.
void AnswerJson(httplib::Response& response, int status, const Json& body);
// Answers status with text already JSON.
void AnswerJsonText(httplib::Response& response, int status, std::string text);
// Answers 200 with the text that write puts on its stream, of the media
// type, sent as it is made, in chunks of 64 KiB, so that a large text is
// never held whole. write runs after the handler returns, on the same
// thread; what it needs must be its own. A failure after the first chunk
// breaks the answer off, which the client sees as an incomplete body.
void AnswerStream(httplib::Response& response, const char* type,
                  std::function<void(std::ostream&)> write);

// Answers refusal as {"error": {"message", ...extra}}.
void AnswerRefusal(httplib::Response& response, const Refusal& refusal);

// The messages qdf printed on err (lines of "qdf: ..."), without the "qdf: "
// in front of each and with the folder's own path (folder, ending in its
// separator) left out of them, so that they name documents as the API does.
std::string MessagesOf(const std::string& err, const std::string& folder);

// The HTTP status for a qdf command's exit status: 0 gives 200; a document
// in use (3) 409; anything else 400.
int StatusOf(int exitStatus);

}  // namespace serve
}  // namespace qdf

#endif  // QDF_SERVE_ANSWERS_H
