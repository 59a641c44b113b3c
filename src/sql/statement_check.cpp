// Whether an SQL text is one statement that only reads: checked on the
// lexer's tokens before any engine is given the text.
#include <twfile/host/status.h>
#include <twfile/sql/statement.h>

#include <algorithm>
#include <iterator>
#include <new>

#include "sql/lexer.h"
#include "sql/names.h"

#define TW_SOURCE "TWSQL"

namespace twfile {
namespace sql {

namespace {

// Words that make a statement write, lock, or reach beyond the database,
// wherever they stand: data-changing CTEs, SELECT ... INTO, FOR UPDATE/SHARE,
// and statements that a first SELECT cannot start but a server's own
// syntax may nest.
const char* const kWritingWords[] = {
    "ALTER",      "ATTACH",   "BEGIN",    "CALL",      "COMMIT",  "COPY",     "CREATE",
    "DEALLOCATE", "DELETE",   "DETACH",   "DO",        "DROP",    "DUMPFILE", "EXEC",
    "EXECUTE",    "GRANT",    "HOLDLOCK", "INSERT",    "INTO",    "LISTEN",   "LOCK",
    "MERGE",      "NOTIFY",   "OUTFILE",  "PRAGMA",    "PREPARE", "REFRESH",  "REINDEX",
    "RESET",      "REVOKE",   "ROLLBACK", "SAVEPOINT", "SET",     "SHARE",    "TABLOCK",
    "TABLOCKX",   "TRUNCATE", "UPDATE",   "UPDLOCK",   "UPSERT",  "VACUUM",   "XLOCK",
};

// Functions that write, lock, run other statements or read the server's
// files; refused as words and as quoted names ("nextval"(...)).
const char* const kWritingFunctions[] = {
    "DBLINK",
    "DBLINK_EXEC",
    "LOAD_EXTENSION",
    "LOAD_FILE",
    "LO_EXPORT",
    "LO_FROM_BYTEA",
    "LO_IMPORT",
    "LO_PUT",
    "LO_UNLINK",
    "NEXTVAL",
    "OPENDATASOURCE",
    "OPENQUERY",
    "OPENROWSET",
    "PG_ADVISORY_LOCK",
    "PG_ADVISORY_XACT_LOCK",
    "PG_CANCEL_BACKEND",
    "PG_LS_DIR",
    "PG_READ_BINARY_FILE",
    "PG_READ_FILE",
    "PG_RELOAD_CONF",
    "PG_TERMINATE_BACKEND",
    "SETVAL",
    "SET_CONFIG",
    "WRITEFILE",
    "XP_CMDSHELL",
};

bool Listed(const std::string& word, const char* const* first, const char* const* last) {
    return std::find_if(first, last, [&](const char* listed) { return word == listed; }) != last;
}

// A quoted name without its quotes, doubled quotes made single.
std::string Unquoted(std::string_view name) {
    std::string text;
    for (std::size_t i = 1; i + 1 < name.size(); ++i) {
        text += name[i];
        if (name[i] == name.front() && name.front() != '[') ++i;
    }
    return text;
}

const char kWrites[] = "the statement would change the database: only statements that read are run";

// The failure's text, or empty when tokens are one statement that reads.
std::string Judge(std::string_view text, Dialect dialect, const std::vector<Token>& tokens) {
    std::vector<const Token*> words;  // the tokens of the statement, blanks and comments left out
    bool ended = false;
    for (const Token& token : tokens) {
        if (token.kind == Token::Kind::Blank || token.kind == Token::Kind::Comment) continue;
        const bool semicolon = token.kind == Token::Kind::Symbol && text[token.offset] == ';';
        if (ended && !semicolon) return "the text holds more than one statement";
        if (semicolon) {
            ended = !words.empty() || ended;
            continue;
        }
        words.push_back(&token);
    }
    if (words.empty()) return "the statement is empty";
    auto first = words.begin();
    while (first != words.end() - 1 && (*first)->kind == Token::Kind::Symbol &&
           text[(*first)->offset] == '(')
        ++first;
    const std::string_view leadText = text.substr((*first)->offset, (*first)->size);
    const std::string lead = UpperAscii(leadText);
    const bool reads = (*first)->kind == Token::Kind::Word &&
                       (lead == "SELECT" || lead == "WITH" || lead == "VALUES" ||
                        (lead == "TABLE" && dialect != Dialect::SQLite));
    if (!reads) return std::string(kWrites) + " (it starts with " + std::string(leadText) + ")";
    for (const Token* token : words) {
        const std::string_view raw = text.substr(token->offset, token->size);
        std::string word;
        if (token->kind == Token::Kind::Word)
            word = UpperAscii(raw);
        else if (token->kind == Token::Kind::QuotedName)
            word = UpperAscii(Unquoted(raw));
        else
            continue;
        const bool writes =
            (token->kind == Token::Kind::Word &&
             Listed(word, std::begin(kWritingWords), std::end(kWritingWords))) ||
            Listed(word, std::begin(kWritingFunctions), std::end(kWritingFunctions));
        if (writes) return std::string(kWrites) + " (it holds " + std::string(raw) + ")";
    }
    return std::string();
}

}  // namespace

int CheckStatement(std::string_view text, Dialect dialect) {
    std::string failure;
    try {
        std::vector<Token> tokens;
        TW_RETURN_IF_ERROR(Lex(text, dialect, tokens));
        failure = Judge(text, dialect, tokens);
    } catch (const std::bad_alloc&) {
        return TW_RAISE(ID_TWErrors_MemoryAlloc, IDS_TWErrors_MemoryAlloc);
    }
    if (!failure.empty()) return TW_RAISE(-1, failure.c_str());
    return TW_EXIT();
}

}  // namespace sql
}  // namespace twfile
