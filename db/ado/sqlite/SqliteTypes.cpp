#include "db/ado/sqlite/SqliteTypes.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/CString.h"
#include "db/ado/sqlite/SqlText.h"
#include "db/ado/sqlite/SqliteErrors.h"

namespace veltmoor::ado::sqlite {

namespace {

struct NamedType {
    const char* name;
    DataTypeEnum type;
};

// Declared type names as Jet, SQL Server and SQLite users write them.
constexpr NamedType kNames[] = {
    {"INTEGER", adInteger},        {"INT", adInteger},           {"LONG", adInteger},
    {"INT4", adInteger},           {"INTEGER4", adInteger},      {"MEDIUMINT", adInteger},
    {"COUNTER", adInteger},        {"AUTOINCREMENT", adInteger}, {"SMALLINT", adSmallInt},
    {"SHORT", adSmallInt},         {"INT2", adSmallInt},         {"INTEGER2", adSmallInt},
    {"TINYINT", adUnsignedTinyInt}, {"BYTE", adUnsignedTinyInt}, {"INTEGER1", adUnsignedTinyInt},
    {"BIGINT", adBigInt},          {"INT8", adBigInt},           {"UNSIGNED BIG INT", adBigInt},
    {"REAL", adDouble},            {"DOUBLE", adDouble},         {"DOUBLE PRECISION", adDouble},
    {"FLOAT", adDouble},           {"FLOAT8", adDouble},         {"IEEEDOUBLE", adDouble},
    {"NUMBER", adDouble},          {"SINGLE", adSingle},         {"FLOAT4", adSingle},
    {"IEEESINGLE", adSingle},      {"MONEY", adCurrency},        {"SMALLMONEY", adCurrency},
    {"CURRENCY", adCurrency},      {"BIT", adBoolean},           {"BOOLEAN", adBoolean},
    {"BOOL", adBoolean},           {"YESNO", adBoolean},         {"LOGICAL", adBoolean},
    {"LOGICAL1", adBoolean},       {"DECIMAL", adNumeric},       {"NUMERIC", adNumeric},
    {"DEC", adNumeric},            {"DATETIME", adDate},         {"DATE", adDate},
    {"TIME", adDate},              {"SMALLDATETIME", adDate},    {"DATETIME2", adDate},
    {"TIMESTAMP", adDBTimeStamp},  {"TEXT", adLongVarWChar},     {"MEMO", adLongVarWChar},
    {"LONGTEXT", adLongVarWChar},  {"NTEXT", adLongVarWChar},    {"CLOB", adLongVarWChar},
    {"LONGCHAR", adLongVarWChar},  {"NOTE", adLongVarWChar},     {"MEDIUMTEXT", adLongVarWChar},
    {"VARCHAR", adVarWChar},       {"NVARCHAR", adVarWChar},     {"VARCHAR2", adVarWChar},
    {"NVARCHAR2", adVarWChar},     {"STRING", adVarWChar},       {"ALPHANUMERIC", adVarWChar},
    {"CHARACTER VARYING", adVarWChar}, {"VARYING CHARACTER", adVarWChar},
    {"NATIONAL VARYING CHARACTER", adVarWChar}, {"CHAR", adWChar}, {"NCHAR", adWChar},
    {"CHARACTER", adWChar},        {"NATIONAL CHARACTER", adWChar}, {"NATIVE CHARACTER", adWChar},
    {"BLOB", adLongVarBinary},     {"IMAGE", adLongVarBinary},   {"LONGBINARY", adLongVarBinary},
    {"OLEOBJECT", adLongVarBinary}, {"GENERAL", adLongVarBinary}, {"VARBINARY", adVarBinary},
    {"BINARY", adBinary},          {"GUID", adGUID},             {"UNIQUEIDENTIFIER", adGUID},
    {"UUID", adGUID},
};

constexpr long kDefaultTextSize = 255;
constexpr int kDefaultPrecision = 18;

bool Contains(const std::string& upper, const char* part) { return upper.find(part) != std::string::npos; }

}  // namespace

MappedType MapDeclaredType(std::string_view declared) {
    // Words up to the first parenthesis form the name; numbers inside it the arguments.
    std::string name;
    std::vector<long> args;
    bool inArgs = false;
    std::string sign;
    for (size_t pos = 0; pos < declared.size();) {
        const Token t = NextToken(declared, pos);
        const std::string_view piece = declared.substr(t.begin, t.end - t.begin);
        pos = t.end;
        if (t.kind == TokenKind::Space) continue;
        if (!inArgs) {
            if (t.kind == TokenKind::Punct && piece == "(") {
                inArgs = true;
            } else if (t.kind == TokenKind::Word || t.kind == TokenKind::Quoted) {
                if (!name.empty()) name += ' ';
                name += ToUpper(Unquote(piece));
            }
        } else if (t.kind == TokenKind::Number) {
            args.push_back(std::strtol((sign + std::string(piece)).c_str(), nullptr, 10));
            sign.clear();
        } else if (piece == "-" || piece == "+") {
            sign = std::string(piece);
        } else if (piece == ")") {
            break;
        }
    }
    MappedType mapped;
    if (name.empty()) return mapped;  // no declared type: any value, as a Jet variant column
    bool known = false;
    for (const auto& entry : kNames) {
        if (name == entry.name) {
            mapped.type = entry.type;
            known = true;
            break;
        }
    }
    if (!known) {
        // SQLite's own affinity rules, in SQLite's order.
        if (Contains(name, "INT")) mapped.type = adInteger;
        else if (Contains(name, "CHAR") || Contains(name, "CLOB") || Contains(name, "TEXT"))
            mapped.type = args.empty() ? adLongVarWChar : adVarWChar;
        else if (Contains(name, "BLOB")) mapped.type = adLongVarBinary;
        else if (Contains(name, "REAL") || Contains(name, "FLOA") || Contains(name, "DOUB")) mapped.type = adDouble;
        else mapped.type = adNumeric;
    }
    switch (mapped.type) {
        case adLongVarWChar:
            // Jet's TEXT(n) is a bounded text; SQLite's TEXT without a size is unbounded.
            if (!args.empty() && args[0] > 0) {
                mapped.type = adVarWChar;
                mapped.definedSize = args[0];
            }
            break;
        case adVarWChar:
        case adWChar:
        case adVarBinary:
        case adBinary:
            mapped.definedSize = !args.empty() && args[0] > 0 ? args[0] : kDefaultTextSize;
            break;
        case adNumeric:
            mapped.precision = !args.empty() && args[0] > 0 ? static_cast<int>(args[0]) : kDefaultPrecision;
            mapped.scale = args.size() > 1 && args[1] > 0 ? static_cast<int>(args[1]) : 0;
            break;
        default: break;
    }
    return mapped;
}

namespace {

// Removes parentheses that enclose the whole text: "((5))" -> "5".
std::string_view StripParens(std::string_view text) {
    for (;;) {
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n')) text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\n')) text.remove_suffix(1);
        if (text.size() < 2 || text.front() != '(' || text.back() != ')') return text;
        int depth = 0;
        for (size_t pos = 0; pos < text.size();) {
            const Token t = NextToken(text, pos);
            if (t.kind == TokenKind::Punct && text[t.begin] == '(') ++depth;
            if (t.kind == TokenKind::Punct && text[t.begin] == ')') {
                if (--depth == 0 && t.end != text.size()) return text;  // "(1)+(2)"
            }
            pos = t.end;
        }
        text = text.substr(1, text.size() - 2);
    }
}

}  // namespace

_variant_t ParseDefault(const char* dflt) {
    if (!dflt) return _variant_t();
    const std::string_view text = StripParens(dflt);
    std::vector<Token> tokens;
    for (size_t pos = 0; pos < text.size();) {
        const Token t = NextToken(text, pos);
        if (t.kind != TokenKind::Space) tokens.push_back(t);
        pos = t.end;
    }
    auto piece = [&](const Token& t) { return text.substr(t.begin, t.end - t.begin); };
    if (tokens.size() == 1) {
        const Token& t = tokens[0];
        if (IsWord(text, t, "NULL")) return _variant_t::Null();
        if (IsWord(text, t, "TRUE")) return _variant_t(true);
        if (IsWord(text, t, "FALSE")) return _variant_t(false);
        if (t.kind == TokenKind::String) return _variant_t(Unquote(piece(t)));
    }
    // A number, with an optional sign: integers stay integers, everything else is a real.
    size_t first = 0;
    std::string number;
    if (tokens.size() == 2 && tokens[0].kind == TokenKind::Punct && (piece(tokens[0]) == "-" || piece(tokens[0]) == "+")) {
        number = std::string(piece(tokens[0]));
        first = 1;
    }
    if (tokens.size() == first + 1 && tokens[first].kind == TokenKind::Number) {
        number += piece(tokens[first]);
        const char* begin = number.c_str();
        char* end = nullptr;
        errno = 0;
        // SQLite reads 010 as ten and 0x10 as sixteen; strtoll's base 0 would read octal.
        const bool hex = number.find_first_of("xX") != std::string::npos;
        const long long asInteger = std::strtoll(begin, &end, hex ? 16 : 10);
        if (*end == '\0' && errno == 0 && number.find_first_of(".eE") == std::string::npos) {
            return _variant_t(static_cast<std::int64_t>(asInteger));
        }
        const double asReal = std::strtod(begin, &end);
        if (*end == '\0') return _variant_t(asReal);
    }
    return _variant_t(std::string(text));
}

std::string DefaultSql(const _variant_t& value) {
    switch (value.kind()) {
        case _variant_t::Kind::Empty: return "";
        case _variant_t::Kind::Null: return "NULL";
        case _variant_t::Kind::Integer: return std::to_string(value.AsInteger());
        case _variant_t::Kind::Boolean: return value.AsBool() ? "TRUE" : "FALSE";
        case _variant_t::Kind::Double: {
            const double d = value.AsDouble();
            if (!std::isfinite(d))
                RaiseProvider(hr::kInvalidArg, "A column default must be a finite number.");
            std::string text = Format("%.17g", d);
            if (text.find_first_of(".e") == std::string::npos) text += ".0";  // stays a real when read back
            return text;
        }
        case _variant_t::Kind::Text: return QuoteString(value.AsText());
    }
    return "";
}

}  // namespace veltmoor::ado::sqlite
