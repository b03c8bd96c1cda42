// Lexing of SQL text as SQLite reads it, and the one rewrite the provider makes of
// the statements it is given: Jet's @@IDENTITY. Pure text work; no errors.
#pragma once

#include <cstddef>
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

// The statement with @@IDENTITY (outside strings and quoted names) rewritten to
// last_insert_rowid(), which the provider's connections define as Jet's @@IDENTITY
// (SqliteSession).
std::string RewriteIdentity(std::string_view sql);

// The table an INSERT (or REPLACE) statement writes into, without quotes or schema;
// empty for any other statement.
std::string InsertTarget(std::string_view sql);

}  // namespace veltmoor::ado::sqlite
