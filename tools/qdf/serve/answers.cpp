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
