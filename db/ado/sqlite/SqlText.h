// Lexing of SQL text as SQLite reads it, and the two rewrites the provider makes
// of the statements it is given: the Jet dialect (@@IDENTITY) and the statement
// shape (integer literals in value positions lifted into parameters, so that
// statements of one shape share one prepared statement). Pure text work; no errors.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace veltmoor::ado::sqlite {

enum class TokenKind {
    Space,       // blanks and comments
    Word,        // bare identifier or keyword
    Quoted,      // "identifier", [identifier], `identifier`
    String,      // 'text'
    Number,      // any numeric literal
    Parameter,   // ?, ?NNN, :name, @name, $name
    Punct,       // one character of anything else
    Unterminated // a quote, bracket or comment left open to the end of the text
};

struct Token {
    TokenKind kind;
    size_t begin;
    size_t end;
};

// The token that starts at pos (pos < text.size()).
Token NextToken(std::string_view text, size_t pos);

// True when the token is the bare word `word` (ASCII letters, without regard to case).
bool IsWord(std::string_view text, const Token& token, std::string_view word);

// The identifier a Word or Quoted token names, without its quotes.
std::string Unquote(std::string_view tokenText);

// An identifier in double quotes, inner quotes doubled: safe anywhere SQLite takes a name.
std::string QuoteIdentifier(std::string_view name);

// A text as an SQL string literal in single quotes, inner quotes doubled.
std::string QuoteString(std::string_view text);

// True when only blanks and comments remain in the text.
bool IsBlank(std::string_view text);

// A statement as the provider runs it.
struct StatementShape {
    static constexpr size_t kMaxParameters = 16;
    std::string text;      // the SQL to prepare: Jet dialect rewritten, literals lifted when `shaped`
    bool cacheable = false;  // a data statement whose prepared form may be kept for reuse
    bool shaped = false;     // `text` has `count` anonymous parameters taking the values below
    size_t count = 0;
    std::array<std::int64_t, kMaxParameters> values{};
};

// Rewrites @@IDENTITY (outside strings and quoted names) to last_insert_rowid(), which
// the provider's connections define as Jet's @@IDENTITY (SqliteSession), and,
// with liftLiterals, for SELECT/INSERT/UPDATE/DELETE/REPLACE statements without
// parameters of their own, lifts decimal integer literals that stand in value
// positions (after WHERE, SET, VALUES, HAVING, ON; never in result lists, ORDER BY,
// GROUP BY, LIMIT or type names) into anonymous parameters.
StatementShape ShapeStatement(std::string_view sql, bool liftLiterals = true);

// The table an INSERT (or REPLACE) statement writes into, without quotes or schema;
// empty for any other statement.
std::string InsertTarget(std::string_view sql);

}  // namespace veltmoor::ado::sqlite
