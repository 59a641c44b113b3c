// Test entry point: every test starts and ends with no pending error, the
// fault switch disarmed, and message boxes kept off the terminal.
#include <gtest/gtest.h>

#include <twfile/framework/message_box.h>
#include <twfile/host/error.h>
#include "testing/fault_switch.h"

namespace {

int Silent(const char*, unsigned int, unsigned int) {
    return IDOK;
}

class CleanState : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { Reset(); }
    void OnTestEnd(const ::testing::TestInfo&) override { Reset(); }
    static void Reset() {
        win32::fault::Disarm();
        CTWError::Clear();
        AfxSetMessageBoxHandler(&Silent);
    }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new CleanState);
    return RUN_ALL_TESTS();
}
