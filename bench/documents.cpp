// Documents: SaveAs, then Open, of documents whose six lists hold 10^3,
// 10^4, 10^5 and 10^6 lines in all, and of a document whose edited SQL has
// 10^5 lines. The table script gives the time per line at each size, and how
// it grows from 10^4 to 10^6 lines.
//
// The documents are made as a program that generates a query would make
// them, adding to all six lists in turn, so each list's elements lie
// scattered in memory. Two further benchmarks, at 10^4 and 10^6 lines only:
//  - SaveAs of the same lists as Open reads them from a file, each list's
//    elements in memory in list order;
//  - the floor of a save: the texts of the generated document, walked in the
//    same lists and copied with their CR LF into a buffer of the file
//    object's size, which is written with the flushes' system calls. It
//    shows how much of the growth from 10^4 to 10^6 lines memory itself
//    brings: 10^4 lines stay in the processor's caches, 10^6 do not.
#include <twfile/framework/ptr_list.h>
#include <twfile/framework/string.h>
#include <twfile/host/error.h>
#include <twfile/query/qdf.h>

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support.h"

namespace {

constexpr int kSqlLines = 100'000;

CString* NewText(const char* format, int a, int b) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b);
    return new CString(text);
}

// A document whose lists hold lines lines in all, shared out as a generated
// query would: attributes most, then conditions, then the others.
std::unique_ptr<CTWFileQDF> MakeListDocument(int lines) {
    auto document = std::make_unique<CTWFileQDF>();
    document->m_strDatabase = "SALES";
    const int tenth = lines / 10;
    const int attributes = lines - 6 * tenth;
    for (int i = 0; i < tenth; ++i) {
        document->AddTable(NewText("SCHEMA%d.TABLE_%07d", i % 4, i));
        document->AddAttributeNonDisplay(NewText("TABLE_%07d.ROW_ID_%d", i, i % 10));
        document->AddJoin(NewText("TABLE_%07d.ID = TABLE_%07d.PARENT_ID", i, i + 1));
        document->AddDefaultValue(NewText("Minimum %d=%d", i, i % 1000));
        document->AddCondition(NewText("TABLE_%07d.AMOUNT >= <<Minimum %d>>", i, i));
        document->AddCondition(NewText("TABLE_%07d.NAME LIKE 'A%d%%'", i, i % 100));
    }
    for (int i = 0; i < attributes; ++i)
        document->AddAttribute(NewText("TABLE_%07d.ATTRIBUTE_%04d", i / 4, i % 10000));
    return document;
}

// A document whose edited SQL holds lines lines joined by CR LF.
std::unique_ptr<CTWFileQDF> MakeSqlDocument(int lines) {
    auto document = std::make_unique<CTWFileQDF>();
    document->m_bEditedSQL = 1;
    CString sql;
    sql.Preallocate(lines * 48);
    for (int i = 0; i < lines; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "%s TABLE_%07d.ATTRIBUTE_%04d AS COLUMN_%d",
                      i == 0 ? "SELECT" : "     ,", i / 8, i % 10000, i);
        if (i != 0) sql += "\r\n";
        sql += line;
    }
    document->m_strEditedSQL = sql;
    return document;
}

// The six lists in the order the file holds them.
std::vector<const CPtrList*> Lists(const CTWFileQDF& document) {
    return {document.m_pTableList,         document.m_pAttributeList,
            document.m_pConditionList,     document.m_pJoinList,
            document.m_pDefaultValuesList, document.m_pAttributeNonDisplayList};
}

int ListLines(const CTWFileQDF& document) {
    int lines = 0;
    for (const CPtrList* list : Lists(document))
        lines += list != nullptr ? list->GetCount() : 0;
    return lines;
}

// The documents are made once per size and kept for the whole run.
CTWFileQDF& ListDocument(int lines) {
    static std::map<int, std::unique_ptr<CTWFileQDF>> documents;
    std::unique_ptr<CTWFileQDF>& document = documents[lines];
    if (!document) document = MakeListDocument(lines);
    return *document;
}

CTWFileQDF& SqlDocument() {
    static std::unique_ptr<CTWFileQDF> document = MakeSqlDocument(kSqlLines);
    return *document;
}

std::string SavePath(const char* kind, int lines) {
    return twbench::ScratchPath("save-" + std::string(kind) + "-" + std::to_string(lines) + ".qdf");
}

// The file that the Open benchmarks read: made once by SaveAs.
std::string OpenPath(const char* kind, CTWFileQDF& document, int lines) {
    static std::map<std::string, std::string> made;
    const std::string key = std::string(kind) + std::to_string(lines);
    auto found = made.find(key);
    if (found != made.end()) return found->second;
    const std::string path =
        twbench::ScratchPath("open-" + std::string(kind) + "-" + std::to_string(lines) + ".qdf");
    if (document.SaveAs(path.c_str()) < 0 || document.Close() < 0) {
        std::fprintf(stderr, "cannot save %s: %s\n", path.c_str(), CTWError::GetMessage());
        CTWError::Clear();
        return path;
    }
    made[key] = path;
    return path;
}

void Save(benchmark::State& state, CTWFileQDF& document, const std::string& path, int lines) {
    for (auto _ : state) {
        int status = document.SaveAs(path.c_str());
        if (status >= 0) status = document.Close();
        if (twbench::FailedStatus(state, status)) break;
    }
    twbench::SetWork(state, lines, 0);
}

// Each iteration opens the file into a new document; the document is
// destroyed outside the timed region.
template <typename Check>
void Open(benchmark::State& state, const std::string& path, int lines, Check check) {
    for (auto _ : state) {
        auto document = std::make_unique<CTWFileQDF>();
        int status = document->Open(path.c_str(), 1);
        state.PauseTiming();
        if (status >= 0 && !document->IsFileOpen()) {
            twbench::Fail(state, "cannot open " + path);
            break;
        }
        if (twbench::FailedStatus(state, status)) break;
        if (!check(*document)) {
            twbench::Fail(state, "the document read back differs");
            break;
        }
        document.reset();
        state.ResumeTiming();
    }
    twbench::SetWork(state, lines, 0);
}

void DocumentSave(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    Save(state, ListDocument(lines), SavePath("lists", lines), lines);
}

// The document that Open makes of the file the Open benchmarks read: each
// list's elements lie in memory in the order they were read.
CTWFileQDF& OpenedDocument(int lines) {
    static std::map<int, std::unique_ptr<CTWFileQDF>> documents;
    std::unique_ptr<CTWFileQDF>& document = documents[lines];
    if (!document) {
        const std::string path = OpenPath("lists", ListDocument(lines), lines);
        document = std::make_unique<CTWFileQDF>();
        if (document->Open(path.c_str(), 1) < 0 || document->Close() < 0) {
            std::fprintf(stderr, "cannot open %s: %s\n", path.c_str(), CTWError::GetMessage());
            CTWError::Clear();
        }
    }
    return *document;
}

void DocumentSaveOpened(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    Save(state, OpenedDocument(lines), SavePath("opened", lines), lines);
}

void DocumentOpen(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    const std::string path = OpenPath("lists", ListDocument(lines), lines);
    Open(state, path, lines, [lines](const CTWFileQDF& document) {
        return ListLines(document) == lines && document.m_bSectionRead[13] == 1;
    });
}

void DocumentSaveFloor(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    const std::vector<const CPtrList*> lists = Lists(ListDocument(lines));
    const std::string path = SavePath("floor", lines);
    std::vector<char> buffer(twbench::kBufferFull);
    for (auto _ : state) {
        // Opened as SaveAs opens it: without truncating, since each flush
        // cuts the file at the end of what it writes.
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            twbench::Fail(state, "open failed");
            break;
        }
        long long start = 0;
        std::size_t used = 0;
        bool ok = true;
        const auto flush = [&] {
            ok = ok && twbench::FlushLikeTheFileObject(fd, start, buffer.data(), used);
            start += static_cast<long long>(used);
            used = 0;
        };
        for (const CPtrList* list : lists) {
            for (POSITION pos = list->GetHeadPosition(); pos != nullptr;) {
                const char* text = static_cast<const CString*>(list->GetNext(pos))->GetString();
                const std::size_t length = std::strlen(text);
                if (buffer.size() - used < length + 2) flush();
                std::memcpy(buffer.data() + used, text, length);
                std::memcpy(buffer.data() + used + length, "\r\n", 2);
                used += length + 2;
            }
        }
        flush();
        if (::close(fd) != 0 || !ok) {
            twbench::Fail(state, "write failed");
            break;
        }
    }
    twbench::SetWork(state, lines, 0);
}

void SqlDocumentSave(benchmark::State& state) {
    Save(state, SqlDocument(), SavePath("sql", kSqlLines), kSqlLines);
}

void SqlDocumentOpen(benchmark::State& state) {
    const std::string path = OpenPath("sql", SqlDocument(), kSqlLines);
    const int length = SqlDocument().m_strEditedSQL.GetLength();
    Open(state, path, kSqlLines, [length](const CTWFileQDF& document) {
        return document.m_strEditedSQL.GetLength() == length && document.m_bSectionRead[13] == 1;
    });
}

void ListSizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("lines")->Unit(benchmark::kMillisecond);
    for (int lines : {1'000, 10'000, 100'000, 1'000'000})
        benchmark->Arg(lines);
}

BENCHMARK(DocumentSave)->Name("documents/save")->Apply(ListSizes);
BENCHMARK(DocumentOpen)->Name("documents/open")->Apply(ListSizes);
// Only the two sizes that the growth from 10^4 to 10^6 lines compares.
void GrowthSizes(benchmark::internal::Benchmark* benchmark) {
    benchmark->ArgName("lines")->Unit(benchmark::kMillisecond)->Arg(10'000)->Arg(1'000'000);
}

BENCHMARK(DocumentSaveOpened)->Name("documents/save_opened")->Apply(GrowthSizes);
BENCHMARK(DocumentSaveFloor)->Name("documents/save_floor")->Apply(GrowthSizes);
BENCHMARK(SqlDocumentSave)->Name("documents/save_sql")->Unit(benchmark::kMillisecond);
BENCHMARK(SqlDocumentOpen)->Name("documents/open_sql")->Unit(benchmark::kMillisecond);

}  // namespace
