// The catalog of an ODBC connection, read and changed through the ODBC catalog functions.
#include <algorithm>

#include "tests/odbc/OdbcTestSupport.h"

namespace veltmoor::ado::test {
namespace {

// Each column as "name type size nullable autonumber default", joined by ';'.
std::string Describe(const std::vector<ColumnInfo>& columns) {
    std::string out;
    for (const ColumnInfo& c : columns)
        out += (out.empty() ? "" : ";") + c.name + " " + std::to_string(c.type) + " " + std::to_string(c.definedSize) +
               (c.nullable ? " null" : "") + (c.autoIncrement ? " auto" : "") +
               (c.defaultValue.IsEmpty() ? "" : " =" + c.defaultValue.ToString());
    return out;
}

TEST_F(OdbcSqliteTest, CatalogReportsAndCreatesTablesColumnsAndIndexes) {
    ConnectionPtr c = Open();
    for (const char* sql : {"CREATE TABLE ACCOUNTS (ID integer PRIMARY KEY AUTOINCREMENT, NAME nvarchar(50) NOT NULL, "
                            "QUOTA integer DEFAULT 0, ENABLED bit NOT NULL DEFAULT 1, NOTE varchar(20) DEFAULT NULL, "
                            "RATIO double, CREATED timestamp)",
                            "CREATE UNIQUE INDEX IX_NAME ON ACCOUNTS (NAME)", "CREATE INDEX IX_PAIR ON ACCOUNTS (QUOTA, ID)",
                            "CREATE TABLE USER_GROUPS (GROUP_ID integer)", "CREATE TABLE USERXGROUPS (MEMO varchar)",
                            "CREATE VIEW ACCOUNT_NAMES AS SELECT NAME FROM ACCOUNTS"})
        c->Execute(sql);
    auto catalog = c->Catalog();
    std::vector<std::string> names;  // without views, nor SQLite's own bookkeeping tables
    for (const std::string& name : catalog->TableNames())
        if (name.rfind("sqlite_", 0) != 0) names.push_back(name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"ACCOUNTS", "USERXGROUPS", "USER_GROUPS"}));
    const std::vector<ColumnInfo> columns = catalog->Columns("ACCOUNTS");
    EXPECT_TRUE(columns[0].autoIncrement);
    EXPECT_EQ(Describe({columns.begin() + 1, columns.end()}),
              "NAME 200 50;QUOTA 3 0 null =0;ENABLED 11 0 =1;NOTE 200 20 null;RATIO 5 0 null;CREATED 135 0 null");
    // Pattern characters in a table's name match only themselves; an unsized text is unbounded.
    EXPECT_EQ(Describe(catalog->Columns("user_groups")), "GROUP_ID 3 0 null");
    EXPECT_GT(catalog->Columns("USERXGROUPS")[0].definedSize, 8000);
    EXPECT_EQ(ErrorOf([&] { catalog->Columns("USER%"); }).Error(), hr::kNoTable);

    catalog->CreateIndex("ACCOUNTS", IndexInfo{"IX_NOTE", false, false, false, {columns[4]}});
    std::vector<std::string> indexes;  // the rowid key has no index of its own and is listed as the primary key
    for (const IndexInfo& i : catalog->Indexes("ACCOUNTS")) {
        indexes.push_back((i.primaryKey ? "PK" : i.name) + (i.unique ? " unique:" : ":"));
        for (const ColumnInfo& k : i.columns) indexes.back() += " " + k.name;
    }
    std::sort(indexes.begin(), indexes.end());
    EXPECT_EQ(indexes, (std::vector<std::string>{"IX_NAME unique: NAME", "IX_NOTE: NOTE", "IX_PAIR: QUOTA ID", "PK unique: ID"}));
    c->Execute("INSERT INTO ACCOUNTS (NAME, NOTE) VALUES ('a', 'x')");
    c->Execute("INSERT INTO ACCOUNTS (NAME, NOTE) VALUES ('b', 'x')");
    const _com_error refused = ErrorOf([&] {
        catalog->CreateIndex("ACCOUNTS", IndexInfo{"UX_NOTE", false, true, false, {columns[4]}});
    });
    EXPECT_NE(refused.Description().find("UNIQUE"), std::string::npos) << refused.Description();

    TableDef quotas{"QUOTAS", {columns[1], columns[2]}};
    quotas.columns[1].defaultValue = _variant_t(5);
    catalog->CreateTable(quotas);
    EXPECT_EQ(Describe(catalog->Columns("QUOTAS")), "NAME 200 50;QUOTA 3 0 null =5");
    EXPECT_EQ(ErrorOf([&] { catalog->SetColumnProperty("ACCOUNTS", "QUOTA", "Autoincrement", _variant_t(true)); }).Error(),
              hr::kNotSupported);
    c->Close();
    EXPECT_EQ(ErrorOf([&] { catalog->TableNames(); }).Error(), hr::kObjectClosed);
}

}  // namespace
}  // namespace veltmoor::ado::test
