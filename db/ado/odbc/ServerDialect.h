// The SQL of PostgreSQL and MariaDB/MySQL as the program needs it: quoting, the
// Jet/T-SQL "[NAME]" brackets translated, and the statements that carry the
// identity of a new row ("INSERT INTO t ...", "SELECT @@IDENTITY AS ID").
// Pure text work; nothing here talks to a server.
#pragma once

#include <optional>
#include <string>

#include "db/ado/odbc/OdbcEngine.h"

namespace veltmoor::ado::odbc {

class ServerDialect {
public:
    explicit ServerDialect(Engine engine) : engine_(engine) {}
    Engine engine() const noexcept { return engine_; }

    // "name" (PostgreSQL) or `name` (MariaDB), the quote character doubled inside.
    std::string QuoteName(const std::string& name) const;
    // 'text' with quotes (and, on MariaDB, backslashes) doubled.
    std::string Literal(const std::string& text) const;
    // Every [NAME] outside string literals becomes a quoted name. PostgreSQL gets it
    // in lower case, as it folds the unquoted names the rest of the SQL uses.
    std::string TranslateBrackets(const std::string& sql) const;

    // The column name of "SELECT @@IDENTITY AS <name>" (any case and spacing).
    static std::optional<std::string> IdentityQuery(const std::string& sql);
    // The table of "INSERT INTO <table> ..." (a plain or bracketed name).
    static std::optional<std::string> InsertTarget(const std::string& sql);
    // The statement without trailing blanks and semicolons, so that a clause can follow.
    static std::string WithoutTerminator(const std::string& sql);

private:
    Engine engine_;
};

}  // namespace veltmoor::ado::odbc
