// qdf condition, run in process.
#include <gtest/gtest.h>

#include <sstream>

#include "condition_command.h"
#include "exit_status.h"
#include "tool_support.h"

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result RunCondition(const qdf::ConditionOptions& options) {
    twtest::CaptureMessages();
    std::ostringstream out;
    std::ostringstream err;
    const int status = qdf::RunCondition(options, out, err);
    return {status, out.str(), err.str()};
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(ConditionCommand, TheAttributeComesFromTheFirstWordUnlessGiven) {
    struct Case {
        std::optional<std::string> table;
        std::optional<std::string> attribute;
        const char* text;
        const char* shown;
    };
    const Case cases[] = {
        {{}, {}, "QTY = 1", "attribute:       QTY (integer)\n"},
        {{}, {}, "ORDERS.QTY = 1", "attribute:       ORDERS.QTY (integer)\n"},
        {"SALES", {}, "ORDERS.QTY = 1", "attribute:       SALES.QTY (integer)\n"},
        {{}, "AMOUNT", "  QTY = 1", "attribute:       AMOUNT (integer)\n"},
        {"T", "A", "X = 1", "attribute:       T.A (integer)\n"},
    };
    for (const Case& c : cases) {
        qdf::ConditionOptions options;
        options.table = c.table;
        options.attribute = c.attribute;
        options.text = c.text;
        const Result result = RunCondition(options);
        EXPECT_TRUE(Contains(result.out, c.shown)) << c.text << "\n" << result.out;
    }
}

TEST(ConditionCommand, ATextWithoutAnAttributeIsAUsageError) {
    qdf::ConditionOptions options;
    options.text = "   ";
    const Result result = RunCondition(options);
    EXPECT_EQ(result.status, qdf::kExitUsage);
    EXPECT_TRUE(Contains(result.err, "qdf: condition: no attribute name")) << result.err;
}

TEST(ConditionCommand, ChecksEachDataType) {
    struct Case {
        TWDB_DataType type;
        const char* text;
        bool valid;
        const char* shown;
    };
    const Case cases[] = {
        {TWDB_String, "NAME LIKE '<<Pattern>>'", true, "with samples:    'ABC'\n"},
        {TWDB_String, "NAME = <<Name>>", false,
         "message:         Strings must be enclosed within single quotes\n"},
        {TWDB_Bool, "FLAG > TRUE", false,
         "message:         Invalid Operator\n                 Must be one of: =,<>\n"},
        {TWDB_Real, "PRICE >= 12.50", true, "check:           valid\n"},
        {TWDB_Integer, "QTY >= 12.50", false,
         "message:         Invalid characters found in number!\n"},
        {TWDB_Time, "AT < <<When>>", true, "with samples:    12.00\n"},
        {TWDB_Integer, "QTY >", false, "operand:         none"},
    };
    for (const Case& c : cases) {
        qdf::ConditionOptions options;
        options.type = c.type;
        options.text = c.text;
        const Result result = RunCondition(options);
        EXPECT_EQ(result.status, c.valid ? qdf::kExitOk : qdf::kExitFailed) << c.text;
        EXPECT_TRUE(Contains(result.out, c.shown)) << c.text << "\n" << result.out;
    }
}

TEST(ConditionCommand, ArgumentsAreReadInTheEncoding) {
    qdf::ConditionOptions options;
    options.type = TWDB_String;
    options.text = "NAME = 'Z\xC3\xBCrich'";
    const Result cp1252 = RunCondition(options);
    EXPECT_EQ(cp1252.status, qdf::kExitOk) << cp1252.out << cp1252.err;
    EXPECT_TRUE(Contains(cp1252.out, "SQL text:        NAME = 'Z\xC3\xBCrich'\n")) << cp1252.out;

    options.text = "NAME = '\xE4\xB8\xAD'";  // no Windows-1252 byte
    const Result refused = RunCondition(options);
    EXPECT_EQ(refused.status, qdf::kExitUsage);
    EXPECT_TRUE(Contains(refused.err, "condition text: the character U+4E2D")) << refused.err;

    options.encoding = qdf::Encoding::Utf8;
    EXPECT_EQ(RunCondition(options).status, qdf::kExitOk);
}

TEST(ConditionCommand, LibraryErrorsGoToStandardErrorWithTheirNumber) {
    std::string text = "X IN (";
    for (int i = 0; i < 19; ++i)
        text += "<<P" + std::to_string(i) + ">>,";
    text += "1)";
    qdf::ConditionOptions options;
    options.text = text;
    const Result result = RunCondition(options);
    EXPECT_EQ(result.status, qdf::kExitFailed);
    EXPECT_TRUE(Contains(result.err, "qdf: condition: parameters: error -5: ")) << result.err;
}

}  // namespace
