// The documents of the API: the folder's list, a document's JSON form, and
// a JSON form saved.
#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <system_error>
#include <thread>
#include <vector>

#include <twfile/json/document_json.h>
#include <twfile/query/qdf.h>

#include "commands.h"
#include "loading.h"
#include "serve/site.h"

namespace qdf {
namespace serve {

namespace fs = std::filesystem;

namespace {

// The version on the file's first line ("HEADER 2.0" gives "2.0"), or null.
Json VersionOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    char line[64] = {};
    in.read(line, sizeof line - 1);
    const std::string text(line, static_cast<std::size_t>(in.gcount()));
    constexpr char kHeader[] = "HEADER ";
    if (text.rfind(kHeader, 0) != 0) return nullptr;
    const std::size_t end = text.find_first_of("\r\n", sizeof kHeader - 1);
    if (end == std::string::npos) return nullptr;
    return text.substr(sizeof kHeader - 1, end - (sizeof kHeader - 1));
}

// What the list says of how file reads: {"ok", "error"}.
void AddReading(Json& entry, const fs::path& file) {
    CTWFileQDF doc;
    const LoadReport report = LoadDocument(file.string(), doc);
    entry["ok"] = report.ReadCleanly();
    if (!report.opened) {
        entry["error"] = {{"message", report.openFailure}, {"line", nullptr}, {"byte", nullptr}};
    } else if (report.NotADocument()) {
        entry["error"] = {{"message", kNotADocumentText}, {"line", nullptr}, {"byte", nullptr}};
    } else if (report.diagnostics.error) {
        entry["error"] = {{"message", report.diagnostics.error->message},
                          {"line", report.errorAt ? Json(report.errorAt->line) : Json()},
                          {"byte", report.errorAt ? Json(report.errorAt->byte) : Json()}};
    } else {
        entry["error"] = nullptr;
    }
}

Json ListEntry(Site& site, const std::string& relative) {
    const fs::path file = site.folder.root() / fs::u8path(relative);
    std::error_code error;
    const std::uintmax_t size = fs::file_size(file, error);
    const fs::file_time_type time = fs::last_write_time(file, error);
    if (error) return nullptr;  // gone since the folder was read
    const std::int64_t ticks = time.time_since_epoch().count();
    {
        const std::lock_guard<std::mutex> lock(site.listing);
        const auto known = site.listed.find(relative);
        if (known != site.listed.end() && known->second.size == size && known->second.time == ticks)
            return known->second.entry;
    }
    Json entry = {{"path", relative}, {"size", size}, {"modified", UtcText(time)}};
    entry["version"] = VersionOf(file);
    AddReading(entry, file);
    const std::lock_guard<std::mutex> lock(site.listing);
    site.listed[relative] = Site::Listed{size, ticks, entry};
    return entry;
}

// The If-Match or If-None-Match header, without spaces around it.
std::string Precondition(const httplib::Request& request, const char* header) {
    std::string value = request.get_header_value(header);
    const std::size_t first = value.find_first_not_of(" \t");
    const std::size_t last = value.find_last_not_of(" \t");
    return first == std::string::npos ? "" : value.substr(first, last - first + 1);
}

}  // namespace

void ListDocuments(Site& site, const httplib::Request&, httplib::Response& response) {
    const std::vector<std::string> paths = site.folder.Documents();
    // The documents not yet known are read on as many threads as there are
    // cores (at most 4, to leave the other requests some).
    std::vector<Json> entries(paths.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < paths.size(); i = next++)
            entries[i] = ListEntry(site, paths[i]);
    };
    const unsigned threads =
        std::min<unsigned>(std::max(1u, std::thread::hardware_concurrency()), 4);
    std::vector<std::thread> helpers;
    for (unsigned i = 1; i < threads && paths.size() > 64; ++i) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // the others do the work
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    {
        // Documents gone since are forgotten.
        const std::lock_guard<std::mutex> lock(site.listing);
        for (auto it = site.listed.begin(); it != site.listed.end();) {
            it = std::binary_search(paths.begin(), paths.end(), it->first) ? std::next(it)
                                                                           : site.listed.erase(it);
        }
    }
    Json documents = Json::array();
    for (Json& entry : entries) {
        if (!entry.is_null()) documents.push_back(std::move(entry));
    }
    AnswerJson(response, 200,
               Json{{"root", site.folder.Name()},
                    {"database", !site.database.empty()},
                    {"documents", std::move(documents)}});
}

void ReadDocument(Site& site, const httplib::Request& request, httplib::Response& response) {
    const fs::path file = DocumentPath(site, request);
    const std::string relative = request.matches[1];
    // The tag is taken before the read: a file changed meanwhile gives a tag
    // that no longer matches, never a stale text under a fresh tag.
    const std::string tag = EntityTag(file);
    auto doc = std::make_shared<CTWFileQDF>();
    const LoadReport report = LoadDocument(file.string(), *doc);
    if (!report.opened) throw Refusal(404, relative + ": " + report.openFailure);
    if (report.NotADocument()) throw Refusal(409, relative + ": " + kNotADocumentText);
    try {
        AsFailure([&] { return twfile::json::CheckDecodable(*doc, site.encoding); });
    } catch (const Failure& failure) {
        throw Refusal(409, relative + ": " + failure.what());
    }
    if (!tag.empty()) response.set_header("ETag", tag);
    // Sent as it is written: a document of a million lines is never held
    // twice over as text.
    AnswerStream(response, "application/json; charset=utf-8",
                 [doc, report, relative, encoding = site.encoding](std::ostream& out) {
                     ExportDocument(out, relative, *doc, report, encoding);
                 });
}

void WriteDocument(Site& site, const httplib::Request& request, httplib::Response& response) {
    const std::string relative = request.matches[1];
    const std::string match = Precondition(request, "If-Match");
    const std::string noneMatch = Precondition(request, "If-None-Match");
    if (match.empty() && noneMatch != "*") {
        throw Refusal(428, relative +
                               ": a save needs If-Match with the ETag that was read, or "
                               "If-None-Match: * for a new document");
    }
    const std::lock_guard<std::mutex> lock(site.saving);
    const fs::path file = DocumentPath(site, request, true);
    std::error_code error;
    const bool exists = fs::exists(file, error);
    const std::string current = exists ? EntityTag(file) : "";
    if (noneMatch == "*" && exists)
        throw Refusal(412, relative + ": already exists", Json{{"etag", current}});
    if (!match.empty() && (!exists || (match != "*" && match != current))) {
        throw Refusal(412,
                      relative +
                          ": changed since it was read; not saved (read it again, and "
                          "apply the changes to what is there now)",
                      Json{{"etag", exists ? Json(current) : Json()}});
    }
    std::istringstream body(request.body);
    std::ostringstream out;
    std::ostringstream err;
    const int status = ImportDocument(body, relative, file.string(), site.encoding, 0, out, err);
    if (status != kExitOk) {
        std::string message = MessagesOf(err.str(), site.folder.prefix());
        throw Refusal(StatusOf(status), message.empty() ? relative + ": not saved" : message);
    }
    const std::string tag = EntityTag(file);
    response.set_header("ETag", tag);
    AnswerJson(response, exists ? 200 : 201, Json{{"etag", tag}});
}

}  // namespace serve
}  // namespace qdf
