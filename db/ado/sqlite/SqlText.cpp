#include "db/ado/sqlite/SqlText.h"

#include <vector>

namespace veltmoor::ado::sqlite {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// SQLite takes every byte above 0x7f as part of a name, so UTF-8 names lex whole.
bool IsIdStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}
bool IsIdChar(char c) { return IsIdStart(c) || IsDigit(c) || c == '$'; }

// A quoted run closed by `close`, where a doubled `close` stands for itself
// (brackets have no escape: `doubling` false).
Token Quoted(std::string_view text, size_t pos, char close, bool doubling, TokenKind kind) {
    size_t i = pos + 1;
    while (i < text.size()) {
        if (text[i] == close) {
            if (doubling && i + 1 < text.size() && text[i + 1] == close) {
                i += 2;
                continue;
            }
            return {kind, pos, i + 1};
        }
        ++i;
    }
    return {TokenKind::Unterminated, pos, text.size()};
}

Token NumberAt(std::string_view text, size_t pos) {
    size_t i = pos;
    const size_t n = text.size();
    // Hexadecimal (0x1F), reals (1.5e-3) and malformed runs (12abc) all end up
    // in one token; only a pure run of digits counts as an integer later.
    while (i < n) {
        const char c = text[i];
        if (IsDigit(c) || c == '.' || IsIdChar(c)) {
            // An exponent may carry its own sign: 1e-5.
            if ((c == 'e' || c == 'E') && i + 1 < n && (text[i + 1] == '+' || text[i + 1] == '-')) ++i;
            ++i;
            continue;
        }
        break;
    }
    return {TokenKind::Number, pos, i};
}

}  // namespace

Token NextToken(std::string_view text, size_t pos) {
    const size_t n = text.size();
    const char c = text[pos];
    if (IsSpace(c)) {
        size_t i = pos + 1;
        while (i < n && IsSpace(text[i])) ++i;
        return {TokenKind::Space, pos, i};
    }
    if (text.substr(pos, 2) == "--") {
        size_t i = pos + 2;
        while (i < n && text[i] != '\n') ++i;
        return {TokenKind::Space, pos, i};
    }
    if (text.substr(pos, 2) == "/*") {
        const size_t close = text.find("*/", pos + 2);
        // SQLite reads a comment left open as running to the end of the text.
        return {TokenKind::Space, pos, close == std::string_view::npos ? n : close + 2};
    }
    if (c == '\'') return Quoted(text, pos, '\'', true, TokenKind::String);
    if (c == '"') return Quoted(text, pos, '"', true, TokenKind::Quoted);
    if (c == '`') return Quoted(text, pos, '`', true, TokenKind::Quoted);
    if (c == '[') return Quoted(text, pos, ']', false, TokenKind::Quoted);
    if (IsDigit(c) || (c == '.' && pos + 1 < n && IsDigit(text[pos + 1]))) return NumberAt(text, pos);
    if (c == '?') {
        size_t i = pos + 1;
        while (i < n && IsDigit(text[i])) ++i;
        return {TokenKind::Parameter, pos, i};
    }
    if ((c == ':' || c == '@' || c == '$') && pos + 1 < n && IsIdChar(text[pos + 1])) {
        size_t i = pos + 1;
        while (i < n && IsIdChar(text[i])) ++i;
        return {TokenKind::Parameter, pos, i};
    }
    if (IsIdStart(c)) {
        size_t i = pos + 1;
        while (i < n && IsIdChar(text[i])) ++i;
        return {TokenKind::Word, pos, i};
    }
    return {TokenKind::Punct, pos, pos + 1};
}

bool IsWord(std::string_view text, const Token& token, std::string_view word) {
    if (token.kind != TokenKind::Word || token.end - token.begin != word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        char a = text[token.begin + i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        char b = word[i];
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
        if (a != b) return false;
    }
    return true;
}

std::string Unquote(std::string_view t) {
    if (t.size() >= 2) {
        const char open = t.front();
        const char close = open == '[' ? ']' : open;
        if ((open == '"' || open == '`' || open == '\'' || open == '[') && t.back() == close) {
            std::string out;
            for (size_t i = 1; i + 1 < t.size(); ++i) {
                out += t[i];
                if (open != '[' && t[i] == close && i + 2 < t.size() && t[i + 1] == close) ++i;
            }
            return out;
        }
    }
    return std::string(t);
}

namespace {
std::string Quote(std::string_view text, char q) {
    std::string out(1, q);
    for (char c : text) {
        out += c;
        if (c == q) out += q;
    }
    out += q;
    return out;
}
}  // namespace

std::string QuoteIdentifier(std::string_view name) { return Quote(name, '"'); }
std::string QuoteString(std::string_view text) { return Quote(text, '\''); }

bool IsBlank(std::string_view text) {
    for (size_t pos = 0; pos < text.size();) {
        const Token t = NextToken(text, pos);
        if (t.kind != TokenKind::Space) return false;
        pos = t.end;
    }
    return true;
}

std::string RewriteIdentity(std::string_view sql) {
    std::string text;
    text.reserve(sql.size() + 8);
    for (size_t pos = 0; pos < sql.size();) {
        const Token t = NextToken(sql, pos);
        pos = t.end;
        // Jet's @@IDENTITY: '@' followed by the parameter token @IDENTITY.
        if (t.kind == TokenKind::Punct && sql[t.begin] == '@' && pos < sql.size()) {
            const Token next = NextToken(sql, pos);
            const std::string_view name = sql.substr(next.begin + 1, next.end - next.begin - 1);
            if (next.kind == TokenKind::Parameter && IsWord(name, Token{TokenKind::Word, 0, name.size()}, "IDENTITY")) {
                text += "last_insert_rowid()";
                pos = next.end;
                continue;
            }
        }
        text.append(sql.substr(t.begin, t.end - t.begin));
    }
    return text;
}

std::string InsertTarget(std::string_view sql) {
    // INSERT [OR action] INTO [schema.]table ... | REPLACE INTO [schema.]table ...
    std::vector<Token> words;
    for (size_t pos = 0; pos < sql.size() && words.size() < 6;) {
        const Token t = NextToken(sql, pos);
        pos = t.end;
        if (t.kind != TokenKind::Space) words.push_back(t);
    }
    size_t i = 0;
    const auto is = [&](std::string_view word) { return i < words.size() && IsWord(sql, words[i], word); };
    if (is("INSERT")) {
        ++i;
        if (is("OR")) i += 2;
    } else if (is("REPLACE")) {
        ++i;
    } else {
        return {};
    }
    if (!is("INTO") || ++i >= words.size()) return {};
    if (i + 2 < words.size() && sql.substr(words[i + 1].begin, 1) == ".") i += 2;  // schema-qualified
    const Token name = words[i];
    if (name.kind != TokenKind::Word && name.kind != TokenKind::Quoted) return {};
    return Unquote(sql.substr(name.begin, name.end - name.begin));
}

}  // namespace veltmoor::ado::sqlite
