#include <gtest/gtest.h>

#include <string>
#include <thread>

#include <twfile/host/error.h>
#include <twfile/host/status.h>

#include "support/support.h"

#define TW_SOURCE "HostTest"

namespace {

int Inner(int number) {
    if (number < 0) return TW_RAISE(number, "inner failed");
    return TW_EXIT();
}

int Outer(int number) {
    TW_RETURN_IF_ERROR(Inner(number));
    return TW_EXIT();
}

const char* PointerResult(int number) {
    static const char kText[] = "result";
    TW_RETURN_VALUE_IF_ERROR(Inner(number), kText);
    return kText;
}

TEST(ErrorService, RaisePassOnAndExit) {
    twtest::MessageRecorder recorder;
    EXPECT_EQ(Outer(0), 0);
    EXPECT_EQ(Outer(-1), -1);
    EXPECT_EQ(CTWError::m_nError, -1);
    EXPECT_NE(CTWError::IsError(), 0);
    EXPECT_STREQ(CTWError::m_strError, "");  // emptied when passed on
    EXPECT_STREQ(CTWError::GetMessage(), "inner failed");
    const std::string trail = CTWError::GetTrail();
    EXPECT_NE(trail.find("HostTest("), std::string::npos);
    EXPECT_NE(trail.find(" <- HostTest("), std::string::npos);
    // Shown once, not once per enclosing operation.
    ASSERT_EQ(recorder.texts().size(), 1u);
    EXPECT_EQ(recorder.texts()[0], "inner failed");
}

TEST(ErrorService, APendingErrorIsPassedOnByEveryLaterOperationUntilClear) {
    twtest::MessageRecorder recorder;
    Outer(-7);
    EXPECT_EQ(Outer(0), -7);
    EXPECT_EQ(CTWError::ShowError("again"), -7);
    EXPECT_EQ(CTWError::m_nError, -7);
    EXPECT_STREQ(PointerResult(0), "result");
    EXPECT_EQ(CTWError::Clear(), 0);
    EXPECT_EQ(CTWError::IsError(), 0);
    EXPECT_EQ(CTWError::GetNumber(), 0);
    EXPECT_EQ(Outer(0), 0);
    EXPECT_EQ(recorder.texts().size(), 1u);
    // A new error replaces the pending one and is shown again.
    Outer(-3);
    Outer(-4);
    EXPECT_EQ(CTWError::GetNumber(), -4);
    EXPECT_EQ(recorder.texts().size(), 3u);
}

TEST(ErrorService, ThreadsNeverSeeEachOthersErrors) {
    int seenByOther = 1;
    int raisedByOther = 0;
    Outer(-2);
    std::thread other([&] {
        seenByOther = CTWError::m_nError;
        raisedByOther = Outer(-5);
    });
    other.join();
    EXPECT_EQ(seenByOther, 0);
    EXPECT_EQ(raisedByOther, -5);
    EXPECT_EQ(CTWError::m_nError, -2);
}

}  // namespace
