// The fault campaign over the file object: every writing primitive of the
// round-trip table through a small buffer (so that flushes and refills
// happen inside the run), an in-place update of a region that went out to
// the file (an update in the buffer makes no call that can fail), and every
// reading primitive back. After a failure the same object opens its file
// again and runs the whole sequence to the complete result.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "faults/campaign.h"
#include "file/items.h"

namespace faults {
namespace {

using twtest::Item;

class ItemsScenario : public Scenario {
  public:
    explicit ItemsScenario(const std::string& path) : m_path(path) {}

    int Run() override {
        m_file = std::make_unique<CTWFile32>();
        m_file->m_nBufSize = 16;
        return Sequence();
    }
    void CheckResult() override {
        EXPECT_EQ(m_file->IsFileOpen(), 0) << "Flush closes the file";
        std::string bytes;
        std::vector<std::string> backs;
        for (const Item& item : m_items) {
            bytes += item.bytes;
            if (item.read != nullptr) backs.push_back(item.back);
        }
        bytes.replace(0, 4, twtest::Le32(7));
        backs.front() = "7";
        EXPECT_EQ(twtest::ReadAll(m_path), bytes);
        EXPECT_EQ(m_backs, backs);
        EXPECT_EQ(m_eofs, 0);
        EXPECT_EQ(m_short, 0);
        EXPECT_EQ(m_view, twtest::Le32(7));
    }
    void Recover() override {
        ASSERT_GE(m_file->CloseFile(), 0);
        ASSERT_GE(Sequence(), 0);
        CheckResult();
    }

  private:
    int Sequence() {
        m_backs.clear();
        m_eofs = 0;
        m_file->SetFileName(m_path.c_str());
        m_file->SetDesiredAccess(win32::GENERIC_READ | win32::GENERIC_WRITE);
        m_file->SetCreationDistribution(win32::CREATE_ALWAYS);
        STEP(m_file->CreateFileA());
        for (const Item& item : m_items)
            STEP(item.write(*m_file));
        // The first value went out to the file long ago: it becomes 7.
        STEP(m_file->PrePreUpdate());
        STEP(m_file->PreUpdate(0, 4));
        STEP(m_file->Write(7));
        STEP(m_file->PostUpdate());
        STEP(m_file->PostPostUpdate());
        STEP(m_file->WriteFile());
        STEP(m_file->Locate(0));
        int eof = 0;
        STEP(m_file->Ensure(4, eof, m_short));
        char* data = nullptr;
        long count = 0;
        STEP(m_file->ReadBLOB(data, count, 4, eof));  // a view takes nothing
        m_view.assign(data, static_cast<std::size_t>(std::min(count, 4L)));
        for (const Item& item : m_items) {
            if (item.read == nullptr) continue;
            m_backs.push_back(item.read(*m_file, eof));
            STEP(CTWError::GetNumber());
            m_eofs += eof;
        }
        return m_file->Flush();
    }

    std::string m_path;
    const std::vector<Item> m_items = twtest::Items();
    std::unique_ptr<CTWFile32> m_file;
    std::vector<std::string> m_backs;
    int m_eofs = 0;
    int m_short = -1;
    std::string m_view;
};

TEST(FileFaults, WriteUpdateAndReadEveryItem) {
    twtest::TempDir dir;
    const std::string path = dir.File("items.bin");
    RunCampaign("file items", [&] { return std::make_unique<ItemsScenario>(path); });
}

}  // namespace
}  // namespace faults
