// A bounded load on qdf serve over loopback: 32 clients for 20 seconds (or
// SERVE_LOAD_SECONDS), each reading the list and a document, checking a
// condition, running a page of rows and saving one document that all of them
// save (most saves lose the race and must be refused with 412). Fails when
// any answer is another error, or when a document no longer reads cleanly;
// prints the latencies (p50, p99) of each kind of call.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>
#include <twfile/query/qdf.h>
#include <nlohmann/json.hpp>

#include "loading.h"
#include "serve/server.h"
#include "support/sqlite_database.h"
#include "support/support.h"
#include "testing/temp_dir.h"

namespace {

constexpr int kClients = 32;
constexpr char kToken[] = "load-token";

struct Tally {
    std::mutex lock;
    std::map<std::string, std::vector<double>> milliseconds;
    std::map<int, long> statuses;
    std::vector<std::string> failures;

    void Add(const std::string& call, double ms, int status, bool expected,
             const std::string& body) {
        const std::lock_guard<std::mutex> hold(lock);
        milliseconds[call].push_back(ms);
        ++statuses[status];
        if (!expected && failures.size() < 10)
            failures.push_back(call + ": " + std::to_string(status) + " " + body);
    }
};

void Client(int port, std::chrono::steady_clock::time_point end, Tally& tally, int number) {
    httplib::Client client("127.0.0.1", port);
    const std::string origin = "http://127.0.0.1:" + std::to_string(port);
    client.set_default_headers(
        {{"Authorization", std::string("Bearer ") + kToken}, {"Origin", origin}});
    client.set_read_timeout(60, 0);
    const auto time = [&](const std::string& call, auto request, std::vector<int> ok) {
        const auto start = std::chrono::steady_clock::now();
        const httplib::Result result = request();
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        const int status = result ? result->status : -1;
        tally.Add(call, ms, status, std::find(ok.begin(), ok.end(), status) != ok.end(),
                  result ? result->body.substr(0, 200) : httplib::to_string(result.error()));
    };
    for (long i = number; std::chrono::steady_clock::now() < end; ++i) {
        switch (i % 4) {
            case 0:
                time("list", [&] { return client.Get("/api/documents"); }, {200});
                time("read", [&] { return client.Get("/api/documents/sales.qdf"); }, {200});
                break;
            case 1:
                time("check",
                     [&] {
                         return client.Post(
                             "/api/check",
                             R"({"condition": "ORDERS.AMOUNT > <<Min>>", "type": "real"})",
                             "application/json");
                     },
                     {200});
                break;
            case 2:
                time("run",
                     [&] {
                         return client.Post("/api/documents/sales.qdf/run",
                                            R"({"params": {"From": "2024-01-01"}, "limit": 5})",
                                            "application/json");
                     },
                     {200});
                break;
            default: {
                const auto read = client.Get("/api/documents/shared.qdf");
                if (!read || read->status != 200) {
                    tally.Add("save", 0, read ? read->status : -1, false, "the read failed");
                    break;
                }
                nlohmann::json doc = nlohmann::json::parse(read->body);
                doc["customDataString"] =
                    "client " + std::to_string(number) + " save " + std::to_string(i);
                httplib::Headers match{{"If-Match", read->get_header_value("ETag")}};
                time("save",
                     [&] {
                         return client.Put("/api/documents/shared.qdf", match, doc.dump(),
                                           "application/json");
                     },
                     {200, 412});
            }
        }
    }
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(p * values.size()))];
}

}  // namespace

int main() {
    const char* seconds = std::getenv("SERVE_LOAD_SECONDS");
    const int duration = seconds != nullptr ? std::atoi(seconds) : 20;
    twtest::TempDir dir;
    std::filesystem::create_directory(dir.File("docs"));
    for (const char* name : {"sales.qdf", "shared.qdf"})
        std::filesystem::copy_file(TWFILE_EXAMPLES_DIR "/sales.qdf", dir.File("docs/") + name);
    twtest::MakeDatabase(dir.File("sales.db"), twtest::ReadAll(TWFILE_EXAMPLES_DIR "/sales.sql"));

    qdf::serve::Settings settings;
    settings.folder = dir.File("docs");
    settings.database = dir.File("sales.db");
    settings.token = kToken;
    qdf::serve::Server server(settings);
    const int port = server.Bind(0);
    std::thread serving([&] { server.Listen(); });

    Tally tally;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(duration);
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i)
        clients.emplace_back(Client, port, end, std::ref(tally), i);
    for (std::thread& client : clients)
        client.join();
    server.Stop();
    serving.join();

    std::printf("%d clients, %d s on loopback\n%-6s %8s %9s %9s\n", kClients, duration, "call",
                "calls", "p50 ms", "p99 ms");
    for (const auto& [call, ms] : tally.milliseconds)
        std::printf("%-6s %8zu %9.2f %9.2f\n", call.c_str(), ms.size(), Percentile(ms, 0.5),
                    Percentile(ms, 0.99));
    for (const auto& [status, count] : tally.statuses)
        std::printf("HTTP %d: %ld\n", status, count);
    bool clean = tally.failures.empty();
    for (const std::string& failure : tally.failures)
        std::printf("FAILED: %s\n", failure.c_str());
    for (const char* name : {"sales.qdf", "shared.qdf"}) {
        CTWFileQDF doc;
        if (!qdf::LoadDocument(dir.File("docs/") + name, doc).ReadCleanly()) {
            std::printf("FAILED: %s no longer reads cleanly\n", name);
            clean = false;
        }
    }
    if (tally.statuses[200] == 0 || tally.milliseconds["save"].empty()) clean = false;
    return clean ? 0 : 1;
}
