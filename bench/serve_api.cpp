// qdf serve's API measured against the commands that do the same work: the
// list of a folder of 10^4 small documents beside qdf check of them, the
// JSON of the 1.2-million-line document beside qdf export of it, and a page
// of 100 rows at offset 10^4 and at offset 10^6 - 100, whose server's peak
// memory (max_rss_kib) shows that paging holds one row at a time. Each
// server is a qdf serve process of its own, started outside the timed
// region; the time is real time.
#if defined(QDF_BINARY) && defined(JQ_BINARY) && defined(SQLITE3_BINARY) && defined(QDF_SERVES)

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <httplib.h>

#include "documents_made.h"
#include "process.h"
#include "support.h"

extern char** environ;

namespace {

constexpr int kListed = 10'000;

// A qdf serve process serving folder, and a client with its token.
class Served {
  public:
    explicit Served(const std::string& folder, const std::string& database = "") {
        std::vector<std::string> args{QDF_BINARY, "serve", folder, "--port", "0"};
        if (!database.empty()) args.insert(args.end(), {"--db", database});
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const bool started =
            posix_spawn(&m_pid, QDF_BINARY, &actions, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        std::string line;
        char ch = 0;
        while (started && read(out[0], &ch, 1) == 1 && ch != '\n')
            line += ch;
        close(out[0]);
        // http://127.0.0.1:PORT/?token=TOKEN
        const std::size_t colon = line.rfind(':');
        const std::size_t token = line.find("token=");
        if (!started || colon == std::string::npos || token == std::string::npos) return;
        m_client =
            std::make_unique<httplib::Client>("127.0.0.1", std::stoi(line.substr(colon + 1)));
        m_client->set_read_timeout(600, 0);
        m_client->set_default_headers({{"Authorization", "Bearer " + line.substr(token + 6)},
                                       {"Origin", line.substr(0, line.find('/', 7))}});
    }
    ~Served() {
        if (m_pid <= 0) return;
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }

    httplib::Client* client() { return m_client.get(); }

    // The server's peak memory so far, in KiB.
    long PeakKib() const {
        std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
        }
        return -1;
    }

  private:
    pid_t m_pid = -1;
    std::unique_ptr<httplib::Client> m_client;
};

// 10^4 of the corpus's documents, linked into a folder of their own.
const std::string& ListedFolder() {
    static const std::string folder = [] {
        const std::vector<std::string>& corpus = twbench::Corpus();
        const std::string root = twbench::ScratchPath("listed");
        if (corpus.size() < static_cast<std::size_t>(kListed)) return std::string();
        for (int i = 0; i < kListed; ++i) {
            const std::string sub = root + "/" + std::to_string(i / 1000);
            if (i % 1000 == 0) std::filesystem::create_directories(sub);
            std::filesystem::create_hard_link(corpus[static_cast<std::size_t>(i)],
                                              sub + "/" + std::to_string(i) + ".qdf");
        }
        return root;
    }();
    return folder;
}

// Times one call per iteration, each on a server of its own.
template <typename Call>
void TimeCall(benchmark::State& state, const std::string& folder, const std::string& database,
              Call call) {
    long peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Served served(folder, database);
        state.ResumeTiming();
        if (served.client() == nullptr) {
            twbench::Fail(state, "qdf serve did not start");
            break;
        }
        const httplib::Result result = call(*served.client());
        if (!result || result->status != 200) {
            twbench::Fail(state, "the call failed: " + (result ? result->body.substr(0, 200) : ""));
            break;
        }
        state.PauseTiming();
        peak = served.PeakKib();
        state.ResumeTiming();
    }
    state.counters["max_rss_kib"] = static_cast<double>(peak);
}

void List(benchmark::State& state) {
    if (ListedFolder().empty()) return twbench::Fail(state, "cannot make the folder");
    TimeCall(state, ListedFolder(), "",
             [](httplib::Client& client) { return client.Get("/api/documents"); });
    twbench::SetWork(state, kListed, 0);
}

void CheckListed(benchmark::State& state) {
    if (ListedFolder().empty()) return twbench::Fail(state, "cannot make the folder");
    std::vector<std::string> args{QDF_BINARY, "check"};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(ListedFolder()))
        if (entry.is_regular_file()) args.push_back(entry.path().string());
    twbench::TimeProgram(state, args);
}

void ReadBig(benchmark::State& state) {
    const twbench::Big& big = twbench::BigDocument();
    if (!big.failure.empty()) return twbench::Fail(state, big.failure);
    const std::string folder = std::filesystem::path(big.qdf).parent_path().string();
    const std::string path = "/api/documents/" + std::filesystem::path(big.qdf).filename().string();
    // The text is taken and dropped, as qdf export's goes to /dev/null.
    TimeCall(state, folder, "", [&](httplib::Client& client) {
        return client.Get(path.c_str(), [](const char*, std::size_t) { return true; });
    });
}

void ExportBig(benchmark::State& state) {
    const twbench::Big& big = twbench::BigDocument();
    if (!big.failure.empty()) return twbench::Fail(state, big.failure);
    twbench::TimeProgram(state, {QDF_BINARY, "export", big.qdf});
}

void Page(benchmark::State& state) {
    twbench::RowsData data;
    const std::string failure = twbench::MakeRowsData(1'000'000, data);
    if (!failure.empty()) return twbench::Fail(state, failure);
    const std::string folder = std::filesystem::path(data.document).parent_path().string();
    const std::string path =
        "/api/documents/" + std::filesystem::path(data.document).filename().string() + "/run";
    const std::string body =
        "{\"limit\": 100, \"offset\": " + std::to_string(state.range(0)) + ", \"timeout\": 600}";
    TimeCall(state, folder, data.database, [&](httplib::Client& client) {
        return client.Post(path.c_str(), body, "application/json");
    });
}

}  // namespace

BENCHMARK(List)->Name("serve/list_10k")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(CheckListed)
    ->Name("serve/qdf_check_10k")
    ->Arg(kListed)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ReadBig)->Name("serve/read_big")->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ExportBig)
    ->Name("serve/qdf_export_big")
    ->Arg(1)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Page)
    ->Name("serve/page_at")
    ->Arg(10'000)
    ->Arg(999'900)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

#endif
