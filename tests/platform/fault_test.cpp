#include <gtest/gtest.h>

#include <thread>

#include <twfile/platform/colours.h>
#include "testing/fault_switch.h"

using namespace win32;
using fault::Kind;

namespace {

TEST(FaultSwitch, InactiveUntilArmedAndCountsOnlyWhenActive) {
    EXPECT_FALSE(fault::ShouldFail(Kind::Read));
    EXPECT_EQ(fault::TotalCalls(), 0u);
    fault::StartCounting();
    fault::ShouldFail(Kind::Read);
    fault::ShouldFail(Kind::Write);
    fault::ShouldFail(Kind::Read);
    EXPECT_EQ(fault::Calls(Kind::Read), 2u);
    EXPECT_EQ(fault::TotalCalls(), 3u);
    EXPECT_EQ(fault::Injected(), 0u);
    fault::Disarm();
}

TEST(FaultSwitch, FailsExactlyTheNthCallOfItsKind) {
    fault::Arm(Kind::Size, 2);
    EXPECT_FALSE(fault::ShouldFail(Kind::Open));
    EXPECT_FALSE(fault::ShouldFail(Kind::Size));
    EXPECT_TRUE(fault::ShouldFail(Kind::Size));
    EXPECT_FALSE(fault::ShouldFail(Kind::Size));
    EXPECT_EQ(fault::Injected(), 1u);
    fault::Disarm();
}

TEST(FaultSwitch, AnyKindAndPersistentFaults) {
    fault::ArmAny(3);
    EXPECT_FALSE(fault::ShouldFail(Kind::Open));
    EXPECT_FALSE(fault::ShouldFail(Kind::Read));
    EXPECT_TRUE(fault::ShouldFail(Kind::Close));
    fault::ArmFrom(Kind::GlobalAlloc, 2);
    EXPECT_FALSE(fault::ShouldFail(Kind::GlobalAlloc));
    EXPECT_TRUE(fault::ShouldFail(Kind::GlobalAlloc));
    EXPECT_TRUE(fault::ShouldFail(Kind::GlobalAlloc));
    fault::Disarm();
}

TEST(FaultSwitch, ShortCountsApplyToTransfersOnly) {
    fault::Arm(Kind::Read, 1, fault::Action::Short, 3);
    fault::Outcome o = fault::Check(Kind::Read, 10);
    EXPECT_TRUE(o.shortened);
    EXPECT_FALSE(o.fail);
    EXPECT_EQ(o.count, 3u);
    fault::Arm(Kind::Seek, 1, fault::Action::Short, 3);
    EXPECT_TRUE(fault::Check(Kind::Seek).fail);
    fault::Disarm();
}

TEST(FaultSwitch, IsPerThread) {
    fault::Arm(Kind::Open, 1);
    bool otherFailed = true;
    std::thread([&] { otherFailed = fault::ShouldFail(Kind::Open); }).join();
    EXPECT_FALSE(otherFailed);
    EXPECT_TRUE(fault::ShouldFail(Kind::Open));
    fault::Disarm();
}

TEST(SystemColours, DefaultsAndApplicationColours) {
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0x00FFFFFFu);
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), 0u);
    SetSysColor(COLOR_WINDOW, 0x00123456);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), 0x00123456u);
    SetSysColor(COLOR_WINDOW, 0x00FFFFFF);
    EXPECT_EQ(GetSysColor(3), 0u);
}

}  // namespace
