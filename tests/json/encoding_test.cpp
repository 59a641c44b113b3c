// The text codecs: Windows-1252 reads every byte, and UTF-8 is checked
// strictly in both directions.
#include <gtest/gtest.h>

#include <string>

#include <twfile/json/encoding.h>

namespace {

using twfile::json::Encoding;

// The euro sign, and the C1 control of a byte the code page leaves open.
TEST(Encoding, Windows1252BeyondLatin1) {
    EXPECT_EQ(twfile::json::DecodeText("\x80\x81", Encoding::Windows1252, "m"), "\u20AC\u0081");
}

// The message of the Error that call raises.
template <typename Call>
std::string FailureOf(Call call) {
    try {
        call();
    } catch (const twfile::json::Error& error) {
        EXPECT_EQ(error.kind(), twfile::json::Error::Kind::Invalid);
        return error.what();
    }
    return "accepted";
}

TEST(Encoding, TextsTheEncodingCannotHoldAreErrorsNamingTheMember) {
    // A stray continuation byte, a sequence cut short, overlong forms, a
    // surrogate, a code point beyond U+10FFFF, Windows-1252 text.
    const std::pair<std::string, int> cases[] = {
        {"ab\x80", 2},       {"x\xE2\x82", 1},        {"\xC0\x80", 0}, {"\xE0\x80\x80", 0},
        {"\xED\xA0\x80", 0}, {"\xF4\x90\x80\x80", 0}, {"caf\xE9", 3}};
    for (const auto& c : cases) {
        EXPECT_EQ(FailureOf([&] { twfile::json::DecodeText(c.first, Encoding::Utf8, "m"); }),
                  "m: not valid UTF-8 at byte " + std::to_string(c.second) +
                      " (the windows-1252 encoding reads every byte)");
    }
    EXPECT_EQ(FailureOf([] { twfile::json::EncodeText("\xFF", Encoding::Utf8, "m"); }),
              "m: not valid UTF-8 at byte 0");
    // U+0080 is a C1 control the code page does not hold: its byte is the euro sign.
    EXPECT_EQ(FailureOf([] { twfile::json::EncodeText("\xC2\x80", Encoding::Windows1252, "m"); }),
              "m: the character U+0080 has no windows-1252 byte");
}

}  // namespace
