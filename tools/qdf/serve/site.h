// What the API's handlers share: the folder, the database runs go to, the
// documents' encoding, and the state that must outlive one request.
#ifndef QDF_SERVE_SITE_H
#define QDF_SERVE_SITE_H

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include <httplib.h>
#include <twfile/json/encoding.h>
#include <twfile/sql/engine.h>

#include "serve/answers.h"
#include "serve/folder.h"

namespace qdf {
namespace serve {

struct Site {
    Site(const std::string& dir, std::string database, twfile::json::Encoding encoding)
        : folder(dir), database(std::move(database)), encoding(encoding) {}

    Folder folder;
    // Empty when the server has no database.
    std::string database;
    twfile::json::Encoding encoding;

    // One save at a time: the tag a writer read is compared with the file's
    // and the file replaced before the next writer looks.
    std::mutex saving;

    // What a listing learnt of each document, kept while its size and time
    // stay the same.
    struct Listed {
        std::uintmax_t size = 0;
        std::int64_t time = 0;
        Json entry;
    };
    std::mutex listing;
    std::map<std::string, Listed> listed;

    // The engines of the runs under way, cancelled when the server stops.
    std::mutex running;
    std::set<twfile::sql::Engine*> engines;
    bool stopping = false;
};

// The document path a route captured, resolved in the folder (Refusal when
// it may not be used).
std::filesystem::path DocumentPath(const Site& site, const httplib::Request& request,
                                   bool mayBeNew = false);

// The handlers of the API, in documents.cpp and queries.cpp; each answers
// or throws Refusal.
void ListDocuments(Site& site, const httplib::Request& request, httplib::Response& response);
void ReadDocument(Site& site, const httplib::Request& request, httplib::Response& response);
void WriteDocument(Site& site, const httplib::Request& request, httplib::Response& response);
void CheckRequest(Site& site, const httplib::Request& request, httplib::Response& response);
void DocumentParameters(Site& site, const httplib::Request& request, httplib::Response& response);
void DocumentSql(Site& site, const httplib::Request& request, httplib::Response& response);
void RunDocument(Site& site, const httplib::Request& request, httplib::Response& response);
void DocumentDiagram(Site& site, const httplib::Request& request, httplib::Response& response);

}  // namespace serve
}  // namespace qdf

#endif  // QDF_SERVE_SITE_H
