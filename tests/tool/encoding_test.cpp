// The text codecs: every byte string survives Windows-1252, and UTF-8 is
// checked strictly in both directions.
#include <gtest/gtest.h>

#include <string>

#include "encoding.h"
#include "exit_status.h"
#include "utf8.h"

namespace {

using qdf::Encoding;

TEST(Encoding, EveryByteStringSurvivesWindows1252) {
    std::string bytes;
    for (int b = 0; b < 512; ++b)
        bytes += static_cast<char>(b % 256);  // every byte, twice
    const std::string text = qdf::DecodeText(bytes, Encoding::Windows1252, "m");
    EXPECT_EQ(qdf::utf8::FindInvalid(text), std::string::npos);
    EXPECT_EQ(qdf::EncodeText(text, Encoding::Windows1252, "m"), bytes);
    // Bytes the code page maps beyond Latin-1, and the five it leaves open,
    // which map to the C1 controls.
    EXPECT_EQ(qdf::DecodeText("\x80\x8A\x99\x9F\x81\x8D\x8F\x90\x9D", Encoding::Windows1252, "m"),
              "\u20AC\u0160\u2122\u0178\u0081\u008D\u008F\u0090\u009D");
}

TEST(Encoding, TextsTheEncodingCannotHoldAreErrorsNamingTheMember) {
    const std::string reads = " (the windows-1252 encoding reads every byte)";
    const struct {
        bool decode;
        Encoding encoding;
        std::string bytes;
        std::string message;
    } cases[] = {
        {true, Encoding::Utf8, "ab\x80", "m: not valid UTF-8 at byte 2" + reads},
        {true, Encoding::Utf8, "x\xE2\x82", "m: not valid UTF-8 at byte 1" + reads},  // cut short
        {true, Encoding::Utf8, "\xC0\x80", "m: not valid UTF-8 at byte 0" + reads},   // overlong
        {true, Encoding::Utf8, "\xE0\x80\x80", "m: not valid UTF-8 at byte 0" + reads},
        {true, Encoding::Utf8, "\xED\xA0\x80",
         "m: not valid UTF-8 at byte 0" + reads},  // surrogate
        {true, Encoding::Utf8, "\xF4\x90\x80\x80", "m: not valid UTF-8 at byte 0" + reads},
        {true, Encoding::Utf8, "caf\xE9", "m: not valid UTF-8 at byte 3" + reads},
        {false, Encoding::Utf8, "\xFF", "m: not valid UTF-8 at byte 0"},
        // U+0080 is a C1 control the code page does not hold: its byte is the euro sign.
        {false, Encoding::Windows1252, "\xC2\x80",
         "m: the character U+0080 has no windows-1252 byte"},
        {false, Encoding::Windows1252, "\xF0\x9F\x98\x80",
         "m: the character U+1F600 has no "
         "windows-1252 byte"},
    };
    for (const auto& c : cases) {
        try {
            if (c.decode) qdf::DecodeText(c.bytes, c.encoding, "m");
            if (!c.decode) qdf::EncodeText(c.bytes, c.encoding, "m");
            ADD_FAILURE() << "accepted " << c.message;
        } catch (const qdf::Failure& failure) {
            EXPECT_EQ(failure.what(), c.message);
            EXPECT_EQ(failure.status(), qdf::kExitUsage);
        }
    }
}

}  // namespace
