// The ODBC provider's text work: ADO connection strings as the driver manager receives them,
// diagnostic records as the program's error, and ODBC's SQL type numbers as ADOX types.
#include "db/ado/odbc/OdbcConnectionStrings.h"
#include "db/ado/odbc/OdbcDiagnostics.h"
#include "db/ado/odbc/OdbcEngine.h"
#include "db/ado/odbc/OdbcTypes.h"
#include "tests/odbc/OdbcTestSupport.h"

namespace veltmoor::ado::odbc {
namespace {

// SQL Server's provider gets FreeTDS's keys and a login timeout; the ODBC provider's pairs pass through with ODBC's names.
TEST(ConnectionStringTranslation, ServerLoginSettingsAndOdbcPairs) {
    const std::string tail = "TDS_Version=7.4;ClientCharset=UTF-8;";
    const std::pair<const char*, std::string> cases[] = {
        {"Provider=SQLOLEDB;Data Source= db1 , 1444 ", "Driver={FreeTDS};Server=db1;Port=1444;" + tail},
        {"Provider=SQLOLEDB;Data Source=db1\\FTP,1500", "Driver={FreeTDS};Server=db1;Port=1500;" + tail},
        {"Provider=SQLOLEDB;Data Source=tcp:10.0.0.5,1433", "Driver={FreeTDS};Server=10.0.0.5;Port=1433;" + tail},
        {"Provider=SQLOLEDB;Data Source=(local)", "Driver={FreeTDS};Server=localhost;" + tail},
        {"Provider=SQLOLEDB;Data Source=.\\SQLEXPRESS", "Driver={FreeTDS};Server=localhost\\SQLEXPRESS;" + tail},
        {"Provider=SQLOLEDB.1", "Driver={FreeTDS};Server=localhost;" + tail},
        {"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=ftp;Password=s3cret;Initial Catalog=FTPDB;"
         "Data Source=db1;Network Library=dbmssocn;Packet Size=4096",
         "Driver={FreeTDS};Server=db1;Database=FTPDB;UID=ftp;PWD=s3cret;" + tail},
        // Passwords with the separators of either syntax survive both parsers.
        {"Provider=SQLOLEDB;Server=db1;UID=DOM\\ftp;PWD=\"a;b}c \"", "Driver={FreeTDS};Server=db1;UID=DOM\\ftp;PWD={a;b}}c };" + tail},
        {"Provider=SQLOLEDB;Data Source=db1;Integrated Security=SSPI", "Driver={FreeTDS};Server=db1;Trusted_Connection=Yes;" + tail},
        {"Provider=SQLOLEDB;Data Source=db1;Integrated Security=False", "Driver={FreeTDS};Server=db1;" + tail},
        {"Provider=SQLOLEDB;Data Source=db1;Application Name=veltmoor;Workstation ID=ws7;Encrypt=yes",
         "Driver={FreeTDS};Server=db1;APP=veltmoor;WSID=ws7;Encryption=require;" + tail},
        {"Provider=SQLOLEDB;Data Source=db1;TDS_Version=7.3;ClientCharset=CP1252",
         "Driver={FreeTDS};Server=db1;TDS_Version=7.3;ClientCharset=CP1252;"},
        {"Provider=SQLOLEDB;Driver=/usr/lib/libtdsodbc.so;Data Source=db1", "Driver={/usr/lib/libtdsodbc.so};Server=db1;" + tail},
        // Another driver gets SQL Server's own address form and no FreeTDS settings.
        {"Provider=SQLOLEDB;Driver={ODBC Driver 18 for SQL Server};Data Source=db1\\FTP,1500;Encrypt=true;"
         "Integrated Security=SSPI",
         "Driver={ODBC Driver 18 for SQL Server};Server=db1,1500;Trusted_Connection=Yes;Encrypt=yes;"},
        {"Provider=MSDASQL.1;Data Source=ftp;User ID=a;Password=b", "DSN=ftp;UID=a;PWD=b;"}, {"DSN=ftp", "DSN=ftp;"},
        {"Provider=MSDASQL;Driver={SQLite3};Database=/srv/x.db;Timeout=2000", "Driver={SQLite3};Database=/srv/x.db;Timeout=2000;"},
        {"Provider=MSDASQL;Driver=SQLite3;Database=\"/tmp/a;b.db\"", "Driver={SQLite3};Database={/tmp/a;b.db};"},
    };
    for (const auto& [ado, odbc] : cases) {
        const bool server = std::string(ado).starts_with("Provider=SQLOLEDB");
        const OdbcConnectTarget target = (server ? TranslateSqlOleDb : TranslateMsdasql)(ConnectionString::Parse(ado));
        EXPECT_EQ(target.connectionString, odbc) << ado;
        EXPECT_EQ(target.loginTimeout, server ? std::optional<long>(15) : std::nullopt) << ado;
    }
    EXPECT_EQ(TranslateSqlOleDb(ConnectionString::Parse("Provider=SQLOLEDB;Connection Timeout=0")).loginTimeout, 0);
}

TEST(SqlOleDbTranslation, MalformedValuesRaise) {
    const std::string port = "\": the port must be a number from 1 to 65535", tcp =
        "\": only TCP/IP connections are available (named pipes and shared memory are not)";
    const std::pair<std::string, std::string> cases[] = {  // the value, what is wrong with it
        {"Data Source=db1,", "Data Source \"db1," + port}, {"Data Source=db1,0", "Data Source \"db1,0" + port},
        {"Data Source=db1,65536", "Data Source \"db1,65536" + port}, {"Data Source=db1,14x", "Data Source \"db1,14x" + port},
        {"Data Source=db1\\", "Data Source \"db1\\\": the instance name is missing"},
        {"Data Source=np:\\\\db1\\pipe\\sql\\query", "Data Source \"np:\\\\db1\\pipe\\sql\\query" + tcp},
        {"Data Source=lpc:db1", "Data Source \"lpc:db1" + tcp},
        {"Data Source=(localdb)\\MSSQLLocalDB", "Data Source \"(localdb)\\MSSQLLocalDB\": LocalDB is not reachable from this platform"},
        {"Integrated Security=maybe", "Integrated Security must be SSPI, true or false"},
        {"Encrypt=sometimes", "Encrypt must be true or false"}, {"Connect Timeout=-1", "Connect Timeout must be a whole number of seconds"},
        {"Timeout=soon", "Timeout must be a whole number of seconds"}};
    for (const auto& [value, why] : cases) {
        const _com_error e = test::ErrorOf([&] { TranslateSqlOleDb(ConnectionString::Parse("Provider=SQLOLEDB;" + value)); });
        EXPECT_EQ(e.Error(), hr::kInvalidArg) << value;
        EXPECT_EQ(e.Description(), "Invalid connection string: " + why);
    }
}

// The engine behind an ODBC source, told by the DBMS name its driver gives.
TEST(OdbcEngine, TheDbmsNameTellsTheEngine) {
    using enum Engine;
    const std::pair<const char*, Engine> names[] = {{"Microsoft SQL Server", SqlServer}, {"SQL Server", SqlServer},
        {"PostgreSQL", PostgreSql}, {"MariaDB", MariaDb}, {"MySQL", MariaDb}, {"SQLite", Sqlite}, {"Oracle", Other}};
    for (const auto& [name, engine] : names) EXPECT_EQ(EngineFromDbmsName(name), engine) << name;
}

TEST(OdbcDiagnostics, SqlStateDecidesTheCodeAndEveryRecordIsKept) {
    const std::pair<const char*, HRESULT> states[] = {
        {"S0002", hr::kNoTable}, {"42S22", hr::kErrorsInCommand}, {"23505", hr::kIntegrityViolation},
        {"hyt00", hr::kTimeout}, {"HYT01", hr::kTimeout},         {"08S01", hr::kFail}, {"", hr::kFail},
    };
    for (const auto& [state, code] : states) EXPECT_EQ(MapSqlState(state), code) << state;

    const _com_error e = MakeOdbcError({{"01000", 5701, "[FreeTDS][SQL Server]Changed database context to 'FTP'."},
                                        {"42S02", 208, "[FreeTDS][SQL Server]Invalid object name 'ACCOUNTS'."}},
                                       "SQL Server provider (SQLOLEDB)", "SQLExecDirect");
    EXPECT_EQ(e.Error(), hr::kNoTable);  // a leading warning does not decide the code
    EXPECT_EQ(e.Source(), "SQL Server provider (SQLOLEDB)");
    EXPECT_EQ(e.Description(), "[01000] (5701) [FreeTDS][SQL Server]Changed database context to 'FTP'.; "
                               "[42S02] (208) [FreeTDS][SQL Server]Invalid object name 'ACCOUNTS'.");
    EXPECT_EQ(MakeOdbcError({{"01004", 0, "String data, right truncated"}}, "s", "SQLFetch").Error(), hr::kFail);
    EXPECT_EQ(MakeOdbcError({}, "s", "SQLFetch").Description(), "SQLFetch failed without diagnostic information");
}

TEST(OdbcTypes, SqlTypesMapToAdoxTypes) {
    const std::tuple<int, const char*, DataTypeEnum, bool> cases[] = {  // hasLength last
        {4, "int identity", adInteger, false}, {-6, "tinyint", adUnsignedTinyInt, false}, {3, "money", adCurrency, false},
        {3, "smallmoney", adCurrency, false},  {-10, "ntext", adLongVarWChar, true},      {-4, "image", adLongVarBinary, true},
        {-9, "nvarchar", adVarWChar, true},    {-11, "uniqueidentifier", adGUID, false},  {-150, "sql_variant", adVariant, false},
    };
    for (const auto& [sqlType, name, adox, hasLength] : cases) {
        EXPECT_EQ(AdoxType(sqlType, name), adox) << name;
        EXPECT_EQ(HasLength(adox), hasLength) << name;
    }
    // Unbounded (max) types, reported with a size of 0, read as the largest size of their kind, as OLE DB reports them.
    EXPECT_EQ(std::vector({DefinedSize(adLongVarWChar, 0), DefinedSize(adVarWChar, 0), DefinedSize(adVarChar, 0),
                           DefinedSize(adLongVarBinary, 0), DefinedSize(adVarWChar, 40)}),
              std::vector<long>({1073741823, 1073741823, 2147483647, 2147483647, 40}));
}

}  // namespace
}  // namespace veltmoor::ado::odbc
