// A table's CREATE TABLE text split into its column definitions (name, type,
// clauses) and table constraints, so that one column can be changed and the
// statement written again with everything else exactly as it stood. Parse raises
// _com_error (kNotSupported) for text it cannot take apart safely.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace veltmoor::ado::sqlite {

struct ColumnClause {
    enum Kind { PrimaryKey, NotNull, Null, Unique, Check, Default, Collate, References, Generated };
    Kind kind;
    std::string text;  // as written, with its CONSTRAINT name if it had one
};

struct ColumnDefinition {
    std::string name;      // unquoted
    std::string nameText;  // as written
    std::string type;      // as written, may be empty
    std::vector<ColumnClause> clauses;

    bool Has(ColumnClause::Kind kind) const;
    void Remove(ColumnClause::Kind kind);
    // The default clause becomes "DEFAULT <sql>", or goes when sql is empty.
    void SetDefault(const std::string& sql);
    // INTEGER PRIMARY KEY AUTOINCREMENT: the column becomes the table's rowid.
    void MakeAutonumber();
    std::string ToSql() const;
};

class TableDefinition {
public:
    static TableDefinition Parse(std::string_view createSql);

    // The column of that name (without regard to case), or null.
    const ColumnDefinition* FindColumn(std::string_view name) const;
    // The same column for a change: it is written from its parts by ToSql.
    ColumnDefinition* EditColumn(std::string_view name);
    // A column PRIMARY KEY clause or a table PRIMARY KEY constraint exists.
    bool HasPrimaryKey() const;
    bool WithoutRowid() const;
    // Appends a table constraint, e.g. PRIMARY KEY ("ID"); changes the column order never.
    void AddConstraint(std::string text);
    // The whole statement under a new table name (quoted by the caller).
    std::string ToSql(std::string_view quotedName) const;

private:
    struct Item {
        bool isConstraint = false;
        bool isPrimaryKey = false;  // a table PRIMARY KEY constraint
        bool changed = false;
        std::string text;           // as written (trimmed)
        ColumnDefinition column;    // for column definitions
    };
    std::vector<Item> items_;
    std::string options_;  // what follows the closing parenthesis (WITHOUT ROWID, STRICT)
};

}  // namespace veltmoor::ado::sqlite
