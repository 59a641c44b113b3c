// The fault campaign over the query definition document: opening, saving in
// place, saving under another name and copying a document that has every
// section filled, with the default buffer and with a small one (refills and
// flushes inside the text).
//
// Save and SaveAs write a new file beside the previous one and rename it
// over it: whatever call fails, the previous file is left byte for byte,
// no new file stays behind, and the document saves again; only a failed
// flush of the folder after the rename leaves the new text, and says so. Copy writes into
// an open file in place: the first change to that file is the setting of
// its end before the first write of the new text; a failure up to and
// including that call leaves the file as it was, a later one may leave it
// cut or partly rewritten (Copy reports the error; the caller copies
// again).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <twfile/host/error.h>
#include <twfile/query/members.h>
#include <twfile/query/qdf.h>

#include "faults/campaign.h"
#include "file/immutable_folder.h"
#include "query/qdf_support.h"

namespace faults {
namespace {

using qdftest::MembersOf;
using MemberValues = qdftest::Members;
using twfile::query::Member;
using twfile::query::MemberKind;
using twfile::query::Members;

// Fills every member. Each list gets twelve elements (two blocks of list
// nodes); the edited SQL has several lines, one of them longer than the
// small buffer; seed tells two documents apart.
void Fill(CTWFileQDF& d, const std::string& seed, int lines) {
    int n = 0;
    for (const Member& member : Members()) {
        ++n;
        if (member.kind == MemberKind::Text) {
            d.*member.text = (seed + "-text-" + std::to_string(n)).c_str();
        } else if (member.kind == MemberKind::Number) {
            d.*member.number = -n * 1000;
        } else if (member.kind == MemberKind::Flag) {
            d.*member.number = 1;
        } else {
            for (int k = 0; k < 12; ++k) {
                const std::string text =
                    seed + "-list-" + std::to_string(n) + "-" + std::to_string(k);
                (d.*member.list)->AddTail(new CString(text.c_str()));
            }
        }
    }
    std::string sql = "SELECT " + std::string(700, 'c') + "\r\nFROM " + seed;
    for (int line = 0; line < lines; ++line)
        sql += "\r\nAND C" + std::to_string(line) + " = 1";
    d.m_strEditedSQL = sql.c_str();
}

// The files of one campaign: the document's text and a previous file with
// a longer text in its place, so that a failed save cuts it.
struct Files {
    twtest::TempDir dir;
    std::string text;      // the document saved
    MemberValues members;  // the document's members
    std::string previous;  // the text of the previous file
    std::string target;    // the path saved to
    std::string source;    // a file holding the document's text
    // Per kind, the calls up to the first change of the target file, for a
    // write in place; all of them for a replacing save.
    Counts firstChange{};
    bool replacing = false;

    Files() {
        CTWFileQDF document;
        Fill(document, "new", 20);
        members = MembersOf(document);
        source = dir.File("document.qdf");
        EXPECT_GE(document.SaveAs(source.c_str()), 0);
        text = twtest::ReadAll(source);

        CTWFileQDF old;
        Fill(old, "previous-and-longer", 200);
        const std::string path = dir.File("previous.qdf");
        EXPECT_GE(old.SaveAs(path.c_str()), 0);
        previous = twtest::ReadAll(path);
        EXPECT_GT(previous.size(), text.size());
        target = dir.File("target.qdf");
    }

    // A file of the directory other than the ones made here: what a failed
    // save left behind; empty if none.
    std::string Leftover() const {
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            const std::string name = entry.path().filename().string();
            if (name != "document.qdf" && name != "previous.qdf" && name != "target.qdf")
                return name;
        }
        return "";
    }

    // The previous file after a failed save: as it was, unless a write in
    // place failed after the file's first change.
    void CheckPrevious(const Injection& injection) const {
        EXPECT_EQ(Leftover(), "") << "a new file stayed behind";
        if (!replacing && !injection.NoLaterThan(firstChange)) return;
        EXPECT_EQ(twtest::ReadAll(target), previous) << "a failed save changed the previous file";
    }
};

// The operations of the campaign.
enum class Operation { Open, Save, SaveAsOntoAnExistingFile, SaveAsToANewFile, Copy };

// One operation on a document (and, for Copy, on the target document open
// on the previous file) with the given buffer size.
class DocumentScenario : public Scenario {
  public:
    DocumentScenario(Files& files, Operation operation, int bufferSize)
        : m_files(files), m_operation(operation), m_nBufferSize(bufferSize) {}

    void Prepare() override {
        if (m_operation == Operation::Open) return;  // made in each run
        m_document = std::make_unique<CTWFileQDF>();
        if (m_operation == Operation::SaveAsToANewFile) {
            std::remove(m_files.target.c_str());
        } else {
            twtest::WriteAll(m_files.target, m_files.previous);
        }
        if (m_operation == Operation::Copy) {
            m_target = std::make_unique<CTWFileQDF>();
            m_target->m_nBufSize = m_nBufferSize;
            OpenTarget();
        } else {
            m_document->m_nBufSize = m_nBufferSize;
        }
        // Save in place: the document was opened from the previous file,
        // then its members were replaced.
        if (m_operation == Operation::Save) {
            ASSERT_GE(m_document->Open(m_files.target.c_str(), 0), 0);
            ASSERT_GE(m_document->Initialise(), 0);
        }
        Fill(*m_document, "new", 20);
    }
    int Run() override {
        if (m_operation == Operation::Open) {
            m_document = std::make_unique<CTWFileQDF>();
            m_document->m_nBufSize = m_nBufferSize;
        }
        return Operate();
    }
    int Operate() {
        switch (m_operation) {
            case Operation::Open:
                return m_document->Open(m_files.source.c_str(), 1);
            case Operation::Save:
                return m_document->Save();
            case Operation::Copy:
                return m_document->Copy(m_target.get());
            default:
                return m_document->SaveAs(m_files.target.c_str());
        }
    }
    void CheckResult() override {
        if (m_operation == Operation::Open) {
            EXPECT_EQ(m_document->IsFileOpen(), 1);
            EXPECT_EQ(qdftest::Indicators(*m_document), qdftest::kAllRead);
            EXPECT_TRUE(MembersOf(*m_document) == m_files.members) << "the members differ";
            return;
        }
        if (m_operation == Operation::Copy) {
            EXPECT_EQ(m_document->m_pOutputFile, m_document.get());
            EXPECT_TRUE(MembersOf(*m_target) == MembersOf(CTWFileQDF()))
                << "the target's members changed";
        } else {
            EXPECT_EQ(m_document->IsFileOpen(), 1);
        }
        // The Open campaign reads this text back to the document's members.
        EXPECT_EQ(twtest::ReadAll(m_files.target), m_files.text) << "the saved text differs";
    }
    // The previous file is closed once the new one is in place; nothing was
    // written through it, so its failed close loses nothing.
    bool MayAbsorb(const Injection& injection) const override {
        const bool replacing = m_operation != Operation::Open && m_operation != Operation::Copy;
        return (replacing && injection.kind == fault::Kind::Close) ||
               Scenario::MayAbsorb(injection);
    }
    void CheckAbsorbed(const Injection& injection) override {
        if (m_operation != Operation::Open ||
            (injection.kind != fault::Kind::Open && injection.kind != fault::Kind::Lock)) {
            return CheckResult();
        }
        // The file did not open: the caller sees it, nothing was read.
        EXPECT_EQ(m_document->IsFileOpen(), 0);
        EXPECT_TRUE(MembersOf(*m_document) == MembersOf(CTWFileQDF()));
    }
    void CheckAfterFailure(const Injection& injection) override {
        // A save whose folder could not be flushed after the rename holds
        // the new text, as a save that succeeded.
        if (FailureText().rfind("The document was saved", 0) == 0) return CheckResult();
        switch (m_operation) {
            case Operation::Open:
                EXPECT_EQ(twtest::ReadAll(m_files.source), m_files.text);
                return;
            case Operation::SaveAsToANewFile:
                EXPECT_FALSE(twtest::Exists(m_files.target)) << "a failed save made the file";
                EXPECT_EQ(m_files.Leftover(), "") << "a new file stayed behind";
                return;
            case Operation::Save:
                EXPECT_EQ(m_document->IsFileOpen(), 1) << "the document lost its file";
                break;
            case Operation::Copy:
                EXPECT_EQ(m_document->m_pOutputFile, m_document.get());
                break;
            default:
                break;
        }
        m_files.CheckPrevious(injection);
    }
    void Recover() override {
        if (m_operation == Operation::Open) {
            ASSERT_GE(m_document->Initialise(), 0);
        }
        if (m_operation == Operation::Copy) {
            ASSERT_GE(m_target->CloseFile(), 0);
            OpenTarget();
        }
        ASSERT_GE(Operate(), 0);
        CheckResult();
        if (m_operation == Operation::Save) {
            EXPECT_TRUE(MembersOf(*m_document) == m_files.members);
        }
    }

  private:
    void OpenTarget() {
        m_target->SetFileName(m_files.target.c_str());
        m_target->SetDesiredAccess(win32::GENERIC_READ | win32::GENERIC_WRITE);
        m_target->SetCreationDistribution(win32::OPEN_ALWAYS);
        ASSERT_GE(m_target->CreateFileA(), 0);
        ASSERT_EQ(m_target->IsFileOpen(), 1);
    }

    Files& m_files;
    Operation m_operation;
    int m_nBufferSize;
    std::unique_ptr<CTWFileQDF> m_document;
    std::unique_ptr<CTWFileQDF> m_target;
};

// Buffer sizes: the default, and one smaller than the document's text and
// than its longest line.
constexpr int kDefault = 65534;
constexpr int kSmall = 256;

// Every operation with each buffer size; for a write in place the first
// change of the file is found first.
TEST(DocumentFaults, EveryFailedCallIsReportedAndRecovered) {
    const char* const names[] = {"Open", "Save", "SaveAs onto an existing file",
                                 "SaveAs to a new file", "Copy"};
    for (Operation operation :
         {Operation::Open, Operation::Save, Operation::SaveAsOntoAnExistingFile,
          Operation::SaveAsToANewFile, Operation::Copy}) {
        for (int bufferSize : {kDefault, kSmall}) {
            Files files;
            const ScenarioFactory make = [&] {
                return std::make_unique<DocumentScenario>(files, operation, bufferSize);
            };
            files.replacing =
                operation == Operation::Save || operation == Operation::SaveAsOntoAnExistingFile;
            if (operation == Operation::Copy)
                files.firstChange = CountsAtFirst(make, fault::Kind::EndOfFile);
            RunCampaign(std::string("document ") + names[static_cast<int>(operation)] +
                            (bufferSize == kSmall ? ", small buffer" : ""),
                        make);
        }
    }
}

#ifdef __linux__
// Save where no file can be made beside the document: the text goes over
// the previous one in place. A failure up to the reservation of the new
// text's space leaves the previous file byte for byte.
TEST(DocumentFaults, EveryFailedCallOfASaveInPlaceIsReportedAndRecovered) {
    for (int bufferSize : {kDefault, kSmall}) {
        Files files;
        twtest::WriteAll(files.target, files.previous);
        twtest::ImmutableFolder locked(files.dir.path());
        if (!locked.IsSet()) GTEST_SKIP() << "a folder where no file can be made needs root";
        const ScenarioFactory make = [&] {
            return std::make_unique<DocumentScenario>(files, Operation::Save, bufferSize);
        };
        files.firstChange = CountsAtFirst(make, fault::Kind::EndOfFile);
        RunCampaign(
            std::string("document Save in place") + (bufferSize == kSmall ? ", small buffer" : ""),
            make);
    }
}
#endif

}  // namespace
}  // namespace faults
