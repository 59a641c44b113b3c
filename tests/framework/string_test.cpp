#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <twfile/framework/memory_exception.h>
#include <twfile/framework/string.h>
#include "testing/fault_switch.h"

namespace {

using win32::fault::Kind;

TEST(CString, ValueSemantics) {
    CString a("abc");
    CString b = a;
    b += "def";
    EXPECT_STREQ(a, "abc");
    EXPECT_STREQ(b, "abcdef");
    EXPECT_EQ(b.GetLength(), 6);
    CString c = std::move(b);
    EXPECT_STREQ(c, "abcdef");
    EXPECT_TRUE(b.IsEmpty());  // NOLINT: a moved-from string is empty
    EXPECT_STREQ(b, "");
    c = nullptr;
    EXPECT_TRUE(c.IsEmpty());
}

TEST(CString, TakesItsOwnTextAndGrowsGeometrically) {
    CString s("xy");
    s += s;
    s += s.GetString() + 1;
    EXPECT_STREQ(s, "xyxyyxy");
    s = s.GetString() + 4;
    EXPECT_STREQ(s, "yxy");
    CString big;
    std::string expected;
    for (int i = 0; i < 10000; ++i) {
        big += static_cast<char>('a' + i % 26);
        expected += static_cast<char>('a' + i % 26);
    }
    EXPECT_EQ(std::string(big.GetString(), static_cast<std::size_t>(big.GetLength())), expected);
}

TEST(CString, BytesAboveSevenBitCompareUnsigned) {
    const CString high("\xE9");
    const CString low("z");
    EXPECT_GT(high.Compare("z"), 0);
    EXPECT_TRUE(low < high);
    EXPECT_EQ(CString("ABC").CompareNoCase("abc"), 0);
    EXPECT_LT(CString("AB").Compare("ABC"), 0);
}

TEST(CString, FindAndSlices) {
    const CString s("a.b.c");
    EXPECT_EQ(s.Find('.'), 1);
    EXPECT_EQ(s.Find('.', 2), 3);
    EXPECT_EQ(s.Find('x'), -1);
    EXPECT_EQ(s.Find('.', -1), -1);
    EXPECT_EQ(s.Find("b.c"), 2);
    EXPECT_STREQ(s.Left(3), "a.b");
    EXPECT_STREQ(s.Mid(2), "b.c");
    EXPECT_STREQ(s.Mid(4, 10), "c");
    EXPECT_STREQ(s.Mid(9), "");
}

TEST(CString, BufferAccess) {
    CString s;
    char* p = s.GetBuffer(5);
    std::memcpy(p, "12345", 6);
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 5);
    s.Truncate(2);
    EXPECT_STREQ(s, "12");
    s.Append("\0x", 2);
    EXPECT_EQ(s.GetLength(), 4);
}

TEST(CString, AFailedAllocationThrowsAndKeepsTheText) {
    CString s("abc");
    win32::fault::ScopedDisarm guard;
    win32::fault::Arm(Kind::String, 1);
    EXPECT_THROW(s += "a much longer text than before", CMemoryException);
    EXPECT_STREQ(s, "abc");
    EXPECT_NO_THROW(s += "a much longer text than before");  // the next one succeeds
    EXPECT_STREQ(s, "abca much longer text than before");
}

}  // namespace
