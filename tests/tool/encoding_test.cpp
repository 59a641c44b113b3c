// The text codecs: every byte string survives Windows-1252, and UTF-8 is
// checked strictly in both directions.
#include <gtest/gtest.h>

#include <string>

#include "cp1252.h"
#include "encoding.h"
#include "exit_status.h"
#include "utf8.h"

namespace {

using qdf::DecodeText;
using qdf::EncodeText;
using qdf::Encoding;

std::string AllBytes() {
    std::string bytes;
    for (int b = 0; b < 256; ++b)
        bytes += static_cast<char>(b);
    return bytes;
}

TEST(Cp1252, EveryByteStringSurvivesDecodeAndEncode) {
    const std::string bytes = AllBytes() + AllBytes();
    const std::string text = DecodeText(bytes, Encoding::Windows1252, "m");
    EXPECT_EQ(qdf::utf8::FindInvalid(text), std::string::npos);
    EXPECT_EQ(EncodeText(text, Encoding::Windows1252, "m"), bytes);
}

TEST(Cp1252, MapsTheBytesTheCodePageDefines) {
    struct Case {
        unsigned char byte;
        char32_t codePoint;
    };
    const Case cases[] = {
        {0x41, U'A'},
        {0x80, 0x20AC},
        {0x8A, 0x0160},
        {0x99, 0x2122},
        {0x9F, 0x0178},
        {0xA0, 0x00A0},
        {0xE9, 0x00E9},
        {0xFF, 0x00FF},
        // The five bytes the code page leaves open map to the C1 controls.
        {0x81, 0x0081},
        {0x8D, 0x008D},
        {0x8F, 0x008F},
        {0x90, 0x0090},
        {0x9D, 0x009D},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qdf::cp1252::ToCodePoint(c.byte), c.codePoint) << int(c.byte);
        EXPECT_EQ(qdf::cp1252::FromCodePoint(c.codePoint), c.byte) << int(c.byte);
    }
    EXPECT_EQ(DecodeText("\x80", Encoding::Windows1252, "m"), "\xE2\x82\xAC");
}

TEST(Cp1252, CharactersWithoutAByteAreErrorsNamingTheMember) {
    // U+0080 is a C1 control the code page does not hold (its byte is the
    // euro sign); CJK and emoji have no byte at all.
    for (const char* text : {"\xC2\x80", "\xE4\xB8\xAD", "ok \xF0\x9F\x98\x80"}) {
        try {
            EncodeText(text, Encoding::Windows1252, "tables[1]");
            ADD_FAILURE() << "accepted " << text;
        } catch (const qdf::Failure& failure) {
            EXPECT_NE(std::string(failure.what()).find("tables[1]"), std::string::npos);
            EXPECT_NE(std::string(failure.what()).find("U+"), std::string::npos);
            EXPECT_EQ(failure.status(), qdf::kExitUsage);
        }
    }
}

TEST(Utf8, WellFormedTextPassesUnchanged) {
    const std::string text = "SELECT 'Z\xC3\xBCrich' \xE2\x82\xAC \xF0\x9F\x98\x80";
    EXPECT_EQ(DecodeText(text, Encoding::Utf8, "m"), text);
    EXPECT_EQ(EncodeText(text, Encoding::Utf8, "m"), text);
}

TEST(Utf8, IllFormedBytesAreErrorsNamingTheMemberAndOffset) {
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t offset;
    };
    const Case cases[] = {
        {"stray continuation", "ab\x80", 2}, {"truncated", "x\xE2\x82", 1},
        {"overlong", "\xC0\x80", 0},         {"overlong three bytes", "\xE0\x80\x80", 0},
        {"surrogate", "\xED\xA0\x80", 0},    {"beyond U+10FFFF", "\xF4\x90\x80\x80", 0},
        {"invalid lead", "\xFF", 0},         {"Windows-1252 text", "caf\xE9", 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(qdf::utf8::FindInvalid(c.bytes), c.offset) << c.name;
        try {
            DecodeText(c.bytes, Encoding::Utf8, "editedSQL");
            ADD_FAILURE() << c.name;
        } catch (const qdf::Failure& failure) {
            const std::string message = failure.what();
            EXPECT_NE(message.find("editedSQL"), std::string::npos) << c.name;
            EXPECT_NE(message.find("byte " + std::to_string(c.offset)), std::string::npos)
                << message;
        }
    }
}

}  // namespace
