#include "db/ado/sqlite/TableDefinition.h"

#include <algorithm>

#include "base/CString.h"
#include "db/ado/sqlite/SqlText.h"
#include "db/ado/sqlite/SqliteErrors.h"

namespace veltmoor::ado::sqlite {

namespace {

[[noreturn]] void Unparsable(std::string_view why) {
    RaiseProvider(hr::kNotSupported,
                  "The table's definition cannot be changed safely by the SQLite provider: " + std::string(why) + ".");
}

// The significant tokens of a text (no blanks or comments).
struct Tokens {
    std::string_view text;
    std::vector<Token> list;

    explicit Tokens(std::string_view t) : text(t) {
        for (size_t pos = 0; pos < text.size();) {
            const Token token = NextToken(text, pos);
            if (token.kind == TokenKind::Unterminated) Unparsable("an unterminated quote or comment");
            if (token.kind != TokenKind::Space) list.push_back(token);
            pos = token.end;
        }
    }
    size_t size() const { return list.size(); }
    bool Word(size_t i, std::string_view word) const { return i < list.size() && IsWord(text, list[i], word); }
    bool Punct(size_t i, char c) const {
        return i < list.size() && list[i].kind == TokenKind::Punct && text[list[i].begin] == c;
    }
    std::string_view Piece(size_t i) const { return text.substr(list[i].begin, list[i].end - list[i].begin); }
    std::string_view Span(size_t first, size_t last) const {  // tokens first..last inclusive
        return text.substr(list[first].begin, list[last].end - list[first].begin);
    }
    // The index of the parenthesis that closes the one at i.
    size_t Close(size_t i) const {
        int depth = 0;
        for (size_t j = i; j < list.size(); ++j) {
            if (Punct(j, '(')) ++depth;
            if (Punct(j, ')') && --depth == 0) return j;
        }
        Unparsable("unbalanced parentheses");
    }
};

bool IsClauseStart(const Tokens& t, size_t i) {
    for (const char* w : {"CONSTRAINT", "PRIMARY", "NOT", "NULL", "UNIQUE", "CHECK", "DEFAULT", "COLLATE",
                          "REFERENCES", "GENERATED", "AS"}) {
        if (t.Word(i, w)) return true;
    }
    return false;
}

// ON CONFLICT <resolution>, when present.
size_t SkipConflict(const Tokens& t, size_t i) {
    if (t.Word(i, "ON") && t.Word(i + 1, "CONFLICT")) return i + 3;
    return i;
}

// One column clause starting at i (after an optional CONSTRAINT name); returns the
// index after it and its kind.
size_t ParseClause(const Tokens& t, size_t i, ColumnClause::Kind& kind) {
    if (t.Word(i, "PRIMARY") && t.Word(i + 1, "KEY")) {
        kind = ColumnClause::PrimaryKey;
        i += 2;
        if (t.Word(i, "ASC") || t.Word(i, "DESC")) ++i;
        i = SkipConflict(t, i);
        if (t.Word(i, "AUTOINCREMENT")) ++i;
        return i;
    }
    if (t.Word(i, "NOT") && t.Word(i + 1, "NULL")) {
        kind = ColumnClause::NotNull;
        return SkipConflict(t, i + 2);
    }
    if (t.Word(i, "NULL")) {
        kind = ColumnClause::Null;
        return SkipConflict(t, i + 1);
    }
    if (t.Word(i, "UNIQUE")) {
        kind = ColumnClause::Unique;
        return SkipConflict(t, i + 1);
    }
    if (t.Word(i, "CHECK") && t.Punct(i + 1, '(')) {
        kind = ColumnClause::Check;
        return t.Close(i + 1) + 1;
    }
    if (t.Word(i, "DEFAULT")) {
        kind = ColumnClause::Default;
        ++i;
        if (t.Punct(i, '(')) return t.Close(i) + 1;
        if (t.Punct(i, '-') || t.Punct(i, '+')) ++i;
        if (i >= t.size()) Unparsable("a DEFAULT without a value");
        return i + 1;
    }
    if (t.Word(i, "COLLATE")) {
        kind = ColumnClause::Collate;
        if (i + 1 >= t.size()) Unparsable("a COLLATE without a name");
        return i + 2;
    }
    if (t.Word(i, "REFERENCES")) {
        kind = ColumnClause::References;
        i += 2;
        if (t.Punct(i, '(')) i = t.Close(i) + 1;
        for (;;) {
            if (t.Word(i, "ON") && (t.Word(i + 1, "DELETE") || t.Word(i + 1, "UPDATE"))) {
                i += 2;
                if (t.Word(i, "SET") && (t.Word(i + 1, "NULL") || t.Word(i + 1, "DEFAULT"))) i += 2;
                else if (t.Word(i, "NO") && t.Word(i + 1, "ACTION")) i += 2;
                else if (t.Word(i, "CASCADE") || t.Word(i, "RESTRICT")) i += 1;
                else Unparsable("an unknown foreign-key action");
            } else if (t.Word(i, "MATCH")) {
                i += 2;
            } else if (t.Word(i, "NOT") && t.Word(i + 1, "DEFERRABLE")) {
                i += 2;
            } else if (t.Word(i, "DEFERRABLE")) {
                i += 1;
            } else if (t.Word(i, "INITIALLY")) {
                i += 2;
            } else {
                return i;
            }
        }
    }
    if (t.Word(i, "GENERATED") || t.Word(i, "AS")) {
        kind = ColumnClause::Generated;
        if (t.Word(i, "GENERATED")) {
            if (!t.Word(i + 1, "ALWAYS") || !t.Word(i + 2, "AS")) Unparsable("GENERATED without ALWAYS AS");
            i += 2;
        }
        ++i;
        if (!t.Punct(i, '(')) Unparsable("a generated column without its expression");
        i = t.Close(i) + 1;
        if (t.Word(i, "STORED") || t.Word(i, "VIRTUAL")) ++i;
        return i;
    }
    Unparsable("an unknown column constraint");
}

ColumnDefinition ParseColumn(std::string_view text) {
    const Tokens t(text);
    ColumnDefinition column;
    if (t.size() == 0) Unparsable("an empty column definition");
    column.nameText = std::string(t.Piece(0));
    column.name = Unquote(t.Piece(0));
    size_t i = 1;
    const size_t typeStart = i;
    while (i < t.size() && !IsClauseStart(t, i)) i = t.Punct(i, '(') ? t.Close(i) + 1 : i + 1;
    if (i > typeStart) column.type = std::string(t.Span(typeStart, i - 1));
    while (i < t.size()) {
        const size_t start = i;
        if (t.Word(i, "CONSTRAINT")) i += 2;
        ColumnClause::Kind kind{};
        const size_t end = ParseClause(t, i, kind);
        if (end > t.size() || end <= i) Unparsable("a column constraint cut short");
        column.clauses.push_back({kind, std::string(t.Span(start, end - 1))});
        i = end;
    }
    return column;
}

}  // namespace

bool ColumnDefinition::Has(ColumnClause::Kind kind) const {
    return std::any_of(clauses.begin(), clauses.end(), [kind](const ColumnClause& c) { return c.kind == kind; });
}

void ColumnDefinition::Remove(ColumnClause::Kind kind) {
    clauses.erase(std::remove_if(clauses.begin(), clauses.end(), [kind](const ColumnClause& c) { return c.kind == kind; }),
                  clauses.end());
}

void ColumnDefinition::SetDefault(const std::string& sql) {
    Remove(ColumnClause::Default);
    if (!sql.empty()) clauses.push_back({ColumnClause::Default, "DEFAULT " + sql});
}

void ColumnDefinition::MakeAutonumber() {
    // Only the exact type name INTEGER makes a PRIMARY KEY column the rowid.
    type = "INTEGER";
    Remove(ColumnClause::PrimaryKey);
    Remove(ColumnClause::Null);
    clauses.insert(clauses.begin(), {ColumnClause::PrimaryKey, "PRIMARY KEY AUTOINCREMENT"});
}

std::string ColumnDefinition::ToSql() const {
    std::string out = nameText;
    if (!type.empty()) out += " " + type;
    for (const auto& clause : clauses) out += " " + clause.text;
    return out;
}

TableDefinition TableDefinition::Parse(std::string_view sql) {
    const Tokens t(sql);
    if (!t.Word(0, "CREATE")) Unparsable("it does not start with CREATE");
    size_t open = 0;
    while (open < t.size() && !t.Punct(open, '(')) {
        if (t.Word(open, "AS")) Unparsable("it was made by CREATE TABLE ... AS SELECT");
        ++open;
    }
    if (open >= t.size()) Unparsable("no column list");
    const size_t close = t.Close(open);

    TableDefinition def;
    size_t itemStart = open + 1;
    int depth = 0;
    for (size_t i = open + 1; i <= close; ++i) {
        if (t.Punct(i, '(')) ++depth;
        if (t.Punct(i, ')') && i != close) --depth;
        if ((depth == 0 && t.Punct(i, ',')) || i == close) {
            if (i == itemStart) Unparsable("an empty item in the column list");
            Item item;
            item.text = Trim(t.Span(itemStart, i - 1));
            const Tokens it(item.text);
            size_t first = 0;
            if (it.Word(0, "CONSTRAINT")) first = 2;
            item.isConstraint = it.Word(0, "CONSTRAINT") || it.Word(first, "PRIMARY") || it.Word(first, "UNIQUE") ||
                                it.Word(first, "CHECK") || it.Word(first, "FOREIGN");
            item.isPrimaryKey = item.isConstraint && it.Word(first, "PRIMARY");
            if (!item.isConstraint) item.column = ParseColumn(item.text);
            def.items_.push_back(std::move(item));
            itemStart = i + 1;
        }
    }
    def.options_ = Trim(sql.substr(t.list[close].end));
    return def;
}

const ColumnDefinition* TableDefinition::FindColumn(std::string_view name) const {
    for (const auto& item : items_) {
        if (!item.isConstraint && EqualsNoCase(item.column.name, name)) return &item.column;
    }
    return nullptr;
}

ColumnDefinition* TableDefinition::EditColumn(std::string_view name) {
    for (auto& item : items_) {
        if (!item.isConstraint && EqualsNoCase(item.column.name, name)) {
            item.changed = true;
            return &item.column;
        }
    }
    return nullptr;
}

bool TableDefinition::HasPrimaryKey() const {
    for (const auto& item : items_) {
        if (item.isPrimaryKey) return true;
        if (!item.isConstraint && item.column.Has(ColumnClause::PrimaryKey)) return true;
    }
    return false;
}

bool TableDefinition::WithoutRowid() const {
    const std::string upper = ToUpper(options_);
    return upper.find("WITHOUT") != std::string::npos;
}

void TableDefinition::AddConstraint(std::string text) {
    Item item;
    item.isConstraint = true;
    item.isPrimaryKey = Tokens(text).Word(0, "PRIMARY") || Tokens(text).Word(2, "PRIMARY");
    item.text = std::move(text);
    items_.push_back(std::move(item));
}

std::string TableDefinition::ToSql(std::string_view quotedName) const {
    std::string out = "CREATE TABLE ";
    out += quotedName;
    out += " (";
    // Column definitions come before table constraints, as SQLite requires.
    bool first = true;
    for (const auto& item : items_) {
        out += first ? "\n  " : ",\n  ";
        first = false;
        out += item.changed ? item.column.ToSql() : item.text;
    }
    out += "\n)";
    if (!options_.empty()) out += " " + options_;
    return out;
}

}  // namespace veltmoor::ado::sqlite
