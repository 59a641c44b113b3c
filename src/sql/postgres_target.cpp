// PostgreSQL targets: recognised and masked here without libpq; made into a
// connection string through libpq's own parser where it is built in.
#include <twfile/host/status.h>
#include <twfile/sql/postgres_target.h>
#include <twfile/sql/shown_text.h>

#include <algorithm>
#include <cctype>
#include <utility>
#include <vector>

#ifdef TWFILE_SQL_WITH_LIBPQ
#include <libpq-fe.h>
#endif

#define TW_SOURCE "TWPostgres"

namespace twfile {
namespace sql {

namespace {

constexpr const char kPrefix[] = "postgres:";

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

bool IsUri(const std::string& text) {
    return StartsWith(text, "postgresql://") || StartsWith(text, "postgres://");
}

using Range = std::pair<std::size_t, std::size_t>;  // [first, last)

// Where the passwords stand in text, a URI or a connection string.
std::vector<Range> PasswordRanges(const std::string& text) {
    std::vector<Range> ranges;
    if (IsUri(text)) {
        const std::size_t start = text.find("://") + 3;
        const std::size_t authorityEnd = std::min(text.find_first_of("/?", start), text.size());
        const std::size_t at = text.rfind('@', authorityEnd);
        if (at != std::string::npos && at >= start) {
            const std::size_t colon = text.find(':', start);
            if (colon < at) ranges.emplace_back(colon + 1, at);
        }
        const std::size_t query = text.find('?', start);
        for (std::size_t from = query; from != std::string::npos && from < text.size();) {
            const std::size_t end = std::min(text.find('&', from + 1), text.size());
            const std::string setting = text.substr(from + 1, end - from - 1);
            if (StartsWith(setting, "password=")) ranges.emplace_back(from + 10, end);
            from = end;
        }
        return ranges;
    }
    // key = value pairs, a value bare or in '...' with \' and \\ inside.
    std::size_t i = 0;
    const auto blank = [&](std::size_t at) {
        return at < text.size() && std::isspace(static_cast<unsigned char>(text[at]));
    };
    while (i < text.size()) {
        while (blank(i))
            ++i;
        const std::size_t keyStart = i;
        while (i < text.size() && text[i] != '=' && !blank(i))
            ++i;
        const std::string key = text.substr(keyStart, i - keyStart);
        while (blank(i))
            ++i;
        if (i >= text.size() || text[i] != '=') break;
        ++i;
        while (blank(i))
            ++i;
        std::size_t valueStart = i;
        std::size_t valueEnd = i;
        if (i < text.size() && text[i] == '\'') {
            valueStart = ++i;
            while (i < text.size() && text[i] != '\'')
                i += text[i] == '\\' ? 2 : 1;
            valueEnd = std::min(i, text.size());
            ++i;
        } else {
            while (i < text.size() && !blank(i))
                i += text[i] == '\\' ? 2 : 1;
            valueEnd = std::min(i, text.size());
        }
        if (key == "password" && valueEnd > valueStart) ranges.emplace_back(valueStart, valueEnd);
    }
    return ranges;
}

}  // namespace

bool IsPostgresTarget(const std::string& text) {
    return IsUri(text) || StartsWith(text, kPrefix);
}

std::string MaskedPostgresTarget(const std::string& target) {
    const std::size_t offset = IsUri(target) ? 0 : sizeof kPrefix - 1;
    std::string shown = target;
    const std::vector<Range> ranges = PasswordRanges(target.substr(offset));
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range)
        shown.replace(offset + range->first, range->second - range->first, "***");
    return shown;
}

std::string WithoutPassword(const std::string& text, const std::string& password) {
    if (password.size() < 4) return text;
    std::string result;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(password, from)) != std::string::npos;) {
        result.append(text, from, at - from);
        result += "***";
        from = at + password.size();
    }
    result.append(text, from, std::string::npos);
    return result;
}

#ifdef TWFILE_SQL_WITH_LIBPQ

namespace {

// What libpq reads: a URI as it stands, else the text after "postgres:".
std::string LibpqText(const std::string& target) {
    return IsUri(target) ? target : target.substr(sizeof kPrefix - 1);
}

// A URI's percent-encoded text as libpq decodes it.
std::string Decoded(const std::string& text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            plain += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else if (text[i] != '\\') {
            plain += text[i];
        }
    }
    return plain;
}

// text with every password of target hidden, as written and as libpq reads it.
std::string WithoutPasswordsOf(std::string text, const std::string& target) {
    const std::string given = target.compare(0, sizeof kPrefix - 1, kPrefix) == 0 && !IsUri(target)
                                  ? target.substr(sizeof kPrefix - 1)
                                  : target;
    for (const Range& range : PasswordRanges(given)) {
        const std::string secret = given.substr(range.first, range.second - range.first);
        text = WithoutPassword(text, secret);
        text = WithoutPassword(text, Decoded(secret));
    }
    return text;
}

// Whether name is a database's name alone: never text that libpq might
// read as settings of its own, wherever it stands.
bool PlainName(const std::string& name) {
    for (char ch : name) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (ch == '=' || c < 0x20 || c == 0x7F) return false;
    }
    return !IsUri(name);
}

}  // namespace

int PostgresConnection(const std::string& target, const std::string& database,
                       std::string& connection) {
    connection.clear();
    if (!PlainName(database)) {
        const std::string message = "the document's database " +
                                    ShownText(database, ShownEscapes::Controls) +
                                    " is not a database name: a document may only name its "
                                    "database; give any other setting in --db yourself";
        return TW_RAISE(-1, message.c_str());
    }
    char* failure = nullptr;
    PQconninfoOption* options = PQconninfoParse(LibpqText(target).c_str(), &failure);
    if (options == nullptr) {
        std::string why = failure != nullptr ? failure : "out of memory";
        PQfreemem(failure);
        while (!why.empty() && (why.back() == '\n' || why.back() == ' '))
            why.pop_back();
        const std::string message =
            MaskedPostgresTarget(target) + ": " + WithoutPasswordsOf(why, target);
        return TW_RAISE(-1, message.c_str());
    }
    // Every setting quoted, so that no value can start another.
    const auto add = [&](const char* key, const char* value) {
        connection += connection.empty() ? "" : " ";
        connection += key;
        connection += "='";
        for (const char* c = value; *c != '\0'; ++c) {
            if (*c == '\'' || *c == '\\') connection += '\\';
            connection += *c;
        }
        connection += '\'';
    };
    bool named = false;
    for (const PQconninfoOption* option = options; option->keyword != nullptr; ++option) {
        if (option->val == nullptr) continue;
        add(option->keyword, option->val);
        named = named || std::string(option->keyword) == "dbname";
    }
    PQconninfoFree(options);
    if (!named && !database.empty()) add("dbname", database.c_str());
    return TW_EXIT();
}

#else

int PostgresConnection(const std::string& target, const std::string&, std::string& connection) {
    connection.clear();
    const std::string message =
        MaskedPostgresTarget(target) + ": this library was built without PostgreSQL's libpq";
    return TW_RAISE(-1, message.c_str());
}

#endif

}  // namespace sql
}  // namespace twfile
