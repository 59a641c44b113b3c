// qdf export and import of a document of 1.2 million list lines (53 MB)
// side by side with jq re-printing export's output (jq .), and qdf export
// --lines -j 2 of a corpus of 10^5 small documents. All run as processes
// with their output going to /dev/null. The time of export, import and jq
// is each process's CPU time (user and system, from wait4), which a busy
// neighbour on the machine disturbs least; the real time is kept beside it
// (wall_s). Each reports its peak memory (max_rss_kib) and the size of the
// document (qdf_kib). The corpus is timed in real time: it is the rate a
// user waits for, with both cores at work.
#if defined(QDF_BINARY) && defined(JQ_BINARY)

#include <twfile/framework/string.h>
#include <twfile/query/qdf.h>

#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "documents_made.h"
#include "process.h"
#include "support.h"

namespace {

constexpr int kLines = 1'200'000;
constexpr int kCorpus = 100'000;
// Files named on one command line of the corpus run: well within ARG_MAX.
constexpr int kBatch = 10'000;

CString* NewText(const char* format, int a, int b, int c) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b, c);
    return new CString(text);
}

}  // namespace

namespace twbench {

const Big& BigDocument() {
    static const Big big = [] {
        Big b;
        b.qdf = twbench::ScratchPath("big.qdf");
        b.json = twbench::ScratchPath("big.json");
        {
            CTWFileQDF doc;
            doc.m_strDatabase = "SALES";
            const int tenth = kLines / 10;
            for (int i = 0; i < tenth; ++i) {
                doc.AddTable(NewText("SCHEMA%d.TABLE_%07d_OF_THE_SALES_LEDGER", i % 4, i, 0));
                doc.AddAttributeNonDisplay(
                    NewText("TABLE_%07d.ROW_ID_%d AS HIDDEN_KEY_%07d", i, i % 10, i));
                doc.AddJoin(NewText("TABLE_%07d.ID = TABLE_%07d.PARENT_ID", i, i + 1, 0));
                doc.AddDefaultValue(NewText("Minimum %d=%d (the smallest amount)", i, i % 1000, 0));
                doc.AddCondition(NewText("TABLE_%07d.AMOUNT >= <<Minimum %d>>", i, i, 0));
            }
            for (int i = 0; i < tenth; ++i)
                doc.AddCondition(NewText("TABLE_%07d.NAME LIKE 'A%d%%' OR B", i, i % 100, 0));
            for (int i = 0; i < kLines - 6 * tenth; ++i) {
                doc.AddAttribute(
                    NewText("TABLE_%07d.ATTRIBUTE_%04d AS COLUMN_%07d", i / 4, i % 10000, i));
            }
            twbench::RemoveFile(b.qdf);
            if (doc.SaveAs(b.qdf.c_str()) < 0) {
                b.failure = twbench::Failure(-1);
                return b;
            }
        }
        struct stat info {};
        if (::stat(b.qdf.c_str(), &info) == 0) b.qdfKib = static_cast<long>(info.st_size / 1024);
        if (twbench::RunProgram({QDF_BINARY, "export", b.qdf, "-o", b.json}) < 0) {
            b.failure = "qdf export -o failed";
        }
        return b;
    }();
    return big;
}

}  // namespace twbench

namespace {

using twbench::Big;
using twbench::BigDocument;
using twbench::Corpus;

// Runs args once per iteration; the iteration's time is the program's CPU
// time.
void TimeCpu(benchmark::State& state, const std::vector<std::string>& args, long qdfKib) {
    long peak = 0;
    double wall = 0;
    for (auto _ : state) {
        double cpu = 0;
        const auto start = std::chrono::steady_clock::now();
        peak = twbench::RunProgram(args, false, &cpu);
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (peak < 0) {
            twbench::Fail(state, args[1] + " failed");
            break;
        }
        state.SetIterationTime(cpu);
    }
    state.counters["max_rss_kib"] = static_cast<double>(peak);
    state.counters["qdf_kib"] = static_cast<double>(qdfKib);
    state.counters["wall_s"] = benchmark::Counter(wall, benchmark::Counter::kAvgIterations);
    twbench::SetWork(state, kLines, 0);
}

void Run(benchmark::State& state, const char* what) {
    const Big& big = BigDocument();
    if (!big.failure.empty()) {
        twbench::Fail(state, big.failure);
        return;
    }
    const std::string out = twbench::ScratchPath("imported.qdf");
    const std::string command = what;
    const std::vector<std::string> args =
        command == "export"   ? std::vector<std::string>{QDF_BINARY, "export", big.qdf}
        : command == "import" ? std::vector<std::string>{QDF_BINARY, "import", big.json, "-o", out}
                              : std::vector<std::string>{JQ_BINARY, ".", big.json};
    TimeCpu(state, args, big.qdfKib);
}

}  // namespace

namespace twbench {

const std::vector<std::string>& Corpus() {
    static const std::vector<std::string> files = [] {
        std::vector<std::string> names;
        CTWFileQDF doc;
        doc.m_strDatabase = "SALES";
        for (const char* table : {"ORDERS", "CUSTOMERS", "PRODUCTS"})
            doc.AddTable(new CString(table));
        for (const char* attribute : {"ORDERS.ORDER_NO", "ORDERS.ORDER_DATE", "CUSTOMERS.NAME",
                                      "CUSTOMERS.REGION", "PRODUCTS.DESCRIPTION", "ORDERS.AMOUNT"})
            doc.AddAttribute(new CString(attribute));
        doc.AddCondition(new CString("ORDERS.ORDER_DATE >= <<From>>"));
        doc.AddCondition(new CString("CUSTOMERS.REGION IN ('NORTH','EAST')"));
        doc.AddJoin(new CString("ORDERS.CUSTOMER_NO = CUSTOMERS.CUSTOMER_NO"));
        doc.AddJoin(new CString("ORDERS.PRODUCT_NO = PRODUCTS.PRODUCT_NO"));
        const std::string first = twbench::ScratchPath("corpus.qdf");
        twbench::RemoveFile(first);
        if (doc.SaveAs(first.c_str()) < 0) return names;
        doc.Close();
        const std::string root = twbench::ScratchPath("corpus");
        for (int i = 0; i < kCorpus; ++i) {
            const std::string folder = root + "/" + std::to_string(i / 1000);
            if (i % 1000 == 0) std::filesystem::create_directories(folder);
            names.push_back(folder + "/" + std::to_string(i) + ".qdf");
            std::filesystem::copy_file(first, names.back());
        }
        return names;
    }();
    return files;
}

}  // namespace twbench

namespace {

void Lines(benchmark::State& state) {
    const std::vector<std::string>& files = Corpus();
    if (files.size() != static_cast<std::size_t>(kCorpus)) {
        twbench::Fail(state, "cannot make the corpus");
        return;
    }
    long peak = 0;
    for (auto _ : state) {
        for (std::size_t first = 0; first < files.size() && peak >= 0; first += kBatch) {
            std::vector<std::string> args{QDF_BINARY, "export", "--lines", "-j", "2"};
            args.insert(args.end(), files.begin() + static_cast<std::ptrdiff_t>(first),
                        files.begin() + static_cast<std::ptrdiff_t>(first + kBatch));
            peak = twbench::RunProgram(args);
        }
        if (peak < 0) {
            twbench::Fail(state, "qdf export --lines failed");
            break;
        }
    }
    state.counters["max_rss_kib"] = static_cast<double>(peak);
    twbench::SetWork(state, kCorpus, 0);
}

}  // namespace

BENCHMARK_CAPTURE(Run, export, "export")
    ->Name("qdf_json/export")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, import, "import")
    ->Name("qdf_json/import")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Run, jq, "jq")
    ->Name("qdf_json/jq")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Lines)->Name("qdf_json/lines")->UseRealTime()->Unit(benchmark::kMillisecond);

#endif
