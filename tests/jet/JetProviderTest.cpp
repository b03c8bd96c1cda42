// The Jet reader on files written by Access itself (tests/jet/data): recognition by the first bytes, rows read with
// their types, the catalog, and every write refused with the file left as it was.
#include <gmock/gmock.h>

#include <filesystem>

#include "base/CString.h"
#include "db/ado/Connection.h"
#include "db/ado/EmbeddedFile.h"
#include "db/ado/jet/JetSelect.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/TempDir.h"

namespace veltmoor::test {
namespace {

using ado::EmbeddedFormat;
using ::testing::ElementsAre;

const std::string kUsers = VELTMOOR_JET_DATA "/node-adodb.mdb";
const std::string kStates = VELTMOOR_JET_DATA "/database-js-adodb.mdb";

ado::ConnectionPtr Open(const std::string& path) {
    ado::ConnectionPtr c = ado::CreateConnection();
    c->Open("Provider=Microsoft.Jet.OLEDB.4.0; Data Source=" + path, "", "", 0);
    return c;
}

// Each value of each row, "|"-joined, nulls as NULL, texts quoted, booleans as True/False.
std::vector<std::string> Rows(ado::Connection& c, const std::string& sql, const std::vector<std::string>& columns) {
    std::vector<std::string> rows;
    for (ado::RecordsetPtr r = c.Execute(sql); !r->IsEOF(); r->MoveNext()) {
        std::string row;
        for (const std::string& column : columns) {
            const _variant_t v = r->GetField(column);
            using K = _variant_t::Kind;
            row += row.empty() ? "" : "|";
            row += v.kind() == K::Null ? "NULL" : v.kind() == K::Text ? "'" + v.AsText() + "'" : v.ToString();
        }
        rows.push_back(row);
    }
    return rows;
}

TEST(JetFormatTest, FirstBytesTellTheFormat) {
    using namespace std::string_literals;
    const std::string jet = "\0\1\0\0Standard Jet DB\0"s;
    const struct { std::string header; EmbeddedFormat format; } cases[] = {
        {"SQLite format 3\0 and the rest of the page"s, EmbeddedFormat::Sqlite},
        {jet + '\0', EmbeddedFormat::Jet3}, {jet + '\1', EmbeddedFormat::Jet4},
        {jet + '\2', EmbeddedFormat::Ace},  // a later Access version in a Jet header
        {"\0\1\0\0Standard ACE DB\0\3"s, EmbeddedFormat::Ace},
        {jet, EmbeddedFormat::Other},       // too short to tell the version
    };
    for (const auto& c : cases) EXPECT_EQ(ado::FormatOfHeader(c.header), c.format) << c.header;
    EXPECT_EQ(ado::FormatOfFile(kUsers), EmbeddedFormat::Jet4);
}

TEST(JetSelectTest, OnlyPlainSelectsOfWholeTables) {
    // The statement and its parse; no columns: not a plain SELECT.
    const struct { const char* sql; std::vector<std::string> columns; std::string table; bool complete; } cases[] = {
        {"SELECT ID FROM SETTINGS", {"ID"}, "SETTINGS", true},
        {"  select id ,[User Name],x_1 from [My Table] ; \n", {"id", "User Name", "x_1"}, "My Table", true},
        {"SELECT [FROM] FROM t;", {"FROM"}, "t", true},
        {"SELECT ID FROM SETTINGS WHERE ID = 5", {"ID"}, "SETTINGS", false}, {"SELECT * FROM T", {}, "", false},
        {"SELECT FROM T", {}, "", false}, {"SELECT ID, FROM T", {}, "", false}, {"SELECT [ID FROM T", {}, "", false},
        {"UPDATE T SET ID = 1", {}, "", false}, {"SELECTED ID FROM T", {}, "", false},
    };
    using Parsed = std::tuple<bool, std::vector<std::string>, std::string, bool>;  // none: {false, {}, "", false}
    for (const auto& c : cases) {
        const std::optional<ado::jet::PlainSelect> s = ado::jet::ParsePlainSelect(c.sql);
        EXPECT_EQ(s ? Parsed(true, s->columns, s->table, s->complete) : Parsed(),
                  Parsed(!c.columns.empty(), c.columns, c.table, c.complete)) << c.sql;
    }
}

TEST(JetProviderTest, RowsOfAnAccessFileWithTheirTypes) {
    const std::string before = Bytes(kUsers);
    ado::ConnectionPtr c = Open(kUsers);
    EXPECT_EQ(c->Provider(), "Microsoft.Jet.OLEDB.4.0");
    EXPECT_EQ(c->DbmsName(), ado::kJetDbmsName);
    EXPECT_TRUE(c->IsReadOnly());
    EXPECT_THAT(Rows(*c, "select [UserId], username, UserSex, UserBirthday, UserMarried from users;",
                     {"UserId", "UserName", "usersex", "UserBirthday", "UserMarried"}),
                ElementsAre("1|'Nuintun'|'Male'|'1989-01-25 00:00:00'|True",
                            "2|'Angela'|'Female'|'1988-12-18 00:00:00'|False",
                            "3|'张三'|'男'|'1986-12-18 00:00:00'|True"));
    ado::RecordsetPtr first = c->Execute("SELECT UserId FROM Users");
    EXPECT_EQ(first->GetField("UserId").kind(), _variant_t::Kind::Integer);
    // Two readers at once each keep their own place.
    ado::RecordsetPtr second = c->Execute("SELECT UserName FROM Users");
    second->MoveNext();
    first->MoveNext();
    first->MoveNext();
    EXPECT_EQ(first->GetField("UserId").AsInteger(), 3);
    EXPECT_EQ(second->GetField("UserName").AsText(), "Angela");
    first->MoveFirst();
    EXPECT_EQ(first->GetField("UserId").AsInteger(), 1);

    // states lost a column once: rows read by mdb_fetch_row still come whole.
    const std::vector<std::string> rows =
        Rows(*Open(kStates), "SELECT State, Population, Ranking FROM states", {"State", "Population", "Ranking"});
    EXPECT_EQ(rows.size(), 51u);  // the states and DC
    EXPECT_THAT(rows, ::testing::Contains("'California'|38332521|1"));
    EXPECT_EQ(Bytes(kUsers), before);
}

// A copy of node-adodb.mdb with two rows changed in place on their data page: Nuintun's UserSex and UserBirthday made
// NULL (their null-mask bits cleared), Angela's UserSex an empty text (its length made 0, its null-mask bit kept).
TEST(JetProviderTest, NullsAndEmptyTextsAreTold) {
    constexpr size_t kPage = 0x1b000, kNuintunMask = kPage + 0xfff, kAngelaEnd = kPage + 0xfb3 + 0x1e;
    std::string bytes = Bytes(kUsers);
    ASSERT_EQ(bytes.substr(kNuintunMask, 1), "\x1f");
    ASSERT_EQ(bytes.substr(kAngelaEnd - 8, 10), std::string("\xff\xfe" "Female\x1e\0", 10));
    bytes[kNuintunMask] = '\x13';
    bytes[kAngelaEnd] = '\x16';
    TempDir dir;
    ado::ConnectionPtr c = Open(dir.Write("changed.mdb", bytes));
    EXPECT_THAT(Rows(*c, "SELECT UserId, UserName, UserSex, UserBirthday FROM Users",
                     {"UserId", "UserName", "UserSex", "UserBirthday"}),
                ElementsAre("1|'Nuintun'|NULL|NULL", "2|'Angela'|''|'1988-12-18 00:00:00'",
                            "3|'张三'|'男'|'1986-12-18 00:00:00'"));
}

TEST(JetProviderTest, TheCatalogAsAccessWroteIt) {
    ado::ConnectionPtr c = Open(kUsers);
    std::shared_ptr<ado::CatalogBackend> catalog = c->Catalog();
    EXPECT_THAT(catalog->TableNames(), ElementsAre("Users"));
    std::vector<std::string> columns;
    for (const ado::ColumnInfo& i : catalog->Columns("USERS"))
        columns.push_back(Format("%s %d %ld auto=%d null=%d default=%s", i.name.c_str(), i.type, i.definedSize,
                                 i.autoIncrement, i.nullable, i.defaultValue.ToString().c_str()));
    EXPECT_THAT(columns, ElementsAre("UserId 3 0 auto=1 null=0 default=", "UserName 202 255 auto=0 null=0 default=",
                                     "UserSex 202 255 auto=0 null=1 default=", "UserBirthday 7 0 auto=0 null=1 default=",
                                     "UserMarried 11 0 auto=0 null=0 default=0"));
    std::vector<std::string> indexes;
    for (const ado::IndexInfo& i : catalog->Indexes("Users"))
        indexes.push_back(Format("%s primary=%d unique=%d", i.name.c_str(), i.primaryKey, i.unique) +
                          (i.columns.size() == 1 ? " on " + i.columns[0].name : " on several"));
    EXPECT_THAT(indexes, ElementsAre("PrimaryKey primary=1 unique=1 on UserId"));

    std::shared_ptr<ado::CatalogBackend> states = Open(kStates)->Catalog();
    EXPECT_EQ(states->Columns("states")[0].defaultValue.ToString(), "0");
    EXPECT_EQ(states->Indexes("states")[0].columns[0].name, "State");
}

TEST(JetProviderTest, EveryWriteAndEveryOtherStatementIsRefused) {
    const std::string before = Bytes(kUsers);
    ado::ConnectionPtr c = Open(kUsers);
    std::shared_ptr<ado::CatalogBackend> catalog = c->Catalog();
    ado::IndexInfo index;
    index.name = "IX";
    const std::string file = "the Microsoft Jet database '" + kUsers + "'";
    const auto refused = [&](const std::string& what) {
        return "Cannot update: " + file + " is read read-only here, so " + what + " was refused.";
    };
    const auto cannotRun = [&](const std::string& sql) {
        return "The statement '" + sql + "' cannot run on " + file +
               ": Jet files are read read-only here, and only SELECT column, ... FROM table is answered.";
    };
    const struct { const char* name; std::function<void()> run; HRESULT code; std::string says; } cases[] = {
        {"missing table", [&] { c->Execute("SELECT ID FROM SETTINGS WHERE ID = 5"); }, hr::kNoTable,
         "The Microsoft Jet database engine cannot find the input table or query 'SETTINGS'. Make sure it exists and "
         "that its name is spelled correctly."},
        {"missing column", [&] { c->Execute("SELECT UserId, Nope FROM Users"); }, hr::kErrorsInCommand,
         "Table [Users] of the Microsoft Jet database has no column [Nope]."},
        {"where", [&] { c->Execute("SELECT UserId FROM Users WHERE UserId = 1"); }, hr::kNotSupported,
         cannotRun("SELECT UserId FROM Users WHERE UserId = 1")},
        {"update", [&] { c->Execute("UPDATE Users SET UserSex = 'x'"); }, hr::kNotSupported,
         cannotRun("UPDATE Users SET UserSex = 'x'")},
        {"begin", [&] { c->BeginTrans(); }, hr::kNotSupported, refused("BeginTrans")},
        {"commit", [&] { c->CommitTrans(); }, hr::kNotSupported, refused("CommitTrans")},
        {"table", [&] { catalog->CreateTable({"T", {}}); }, hr::kNotSupported, refused("creating table [T]")},
        {"index", [&] { catalog->CreateIndex("Users", index); }, hr::kNotSupported,
         refused("creating index [IX] on table [Users]")},
        {"property", [&] { catalog->SetColumnProperty("Users", "UserSex", "Default", _variant_t(1)); },
         hr::kNotSupported, refused("setting the \"Default\" property of column [UserSex] in table [Users]")},
        {"backup", [&] { c->BackupTo(kUsers + ".bak"); }, hr::kNotSupported, refused("the backup before a repair")},
    };
    for (const auto& t : cases) {  // no error reads as code 0
        const _com_error e = ErrorOf(t.run);
        EXPECT_EQ(std::pair(e.Error(), e.Description()), std::pair(t.code, t.says)) << t.name;
    }
    EXPECT_EQ(c->ReadOnlyReason(),
              "'" + kUsers + "' is a Microsoft Jet database, and Jet files are checked read-only here: nothing was "
              "repaired. To repair it, run the check on the server's own platform, where Jet writes the file, or convert "
              "it with Debian's mdbtools: mdb-schema '" + kUsers + "' sqlite | sqlite3 NEW.db, then for each table that "
              "mdb-tables lists, mdb-export -I sqlite '" + kUsers + "' TABLE | sqlite3 NEW.db; then name NEW.db as the "
              "data source, and point the server at it too.");
    EXPECT_EQ(Bytes(kUsers), before);
    EXPECT_FALSE(std::filesystem::exists(kUsers + ".bak"));
}

}  // namespace
}  // namespace veltmoor::test
