// ADO connection strings as the ODBC driver manager receives them.
#include <gtest/gtest.h>

#include "db/ado/Error.h"
#include "db/ado/odbc/OdbcConnectionStrings.h"

namespace veltmoor::ado::odbc {
namespace {

std::string SqlServer(const std::string& ado) {
    return TranslateSqlOleDb(ConnectionString::Parse(ado)).connectionString;
}

constexpr const char* kTail = "TDS_Version=7.4;ClientCharset=UTF-8;";

TEST(SqlOleDbTranslation, ServerForms) {
    struct Case {
        const char* ado;
        const char* odbc;  // followed by kTail
    };
    const Case cases[] = {
        {"Provider=SQLOLEDB;Data Source=db1", "Driver={FreeTDS};Server=db1;"},
        {"Provider=SQLOLEDB.1;Server=db1.example.org", "Driver={FreeTDS};Server=db1.example.org;"},
        {"Provider=SQLOLEDB;Data Source=db1,1444", "Driver={FreeTDS};Server=db1;Port=1444;"},
        {"Provider=SQLOLEDB;Data Source= db1 , 1444 ", "Driver={FreeTDS};Server=db1;Port=1444;"},
        {"Provider=SQLOLEDB;Data Source=db1\\FTP", "Driver={FreeTDS};Server=db1\\FTP;"},
        {"Provider=SQLOLEDB;Data Source=db1\\FTP,1500", "Driver={FreeTDS};Server=db1;Port=1500;"},
        {"Provider=SQLOLEDB;Data Source=tcp:10.0.0.5,1433", "Driver={FreeTDS};Server=10.0.0.5;Port=1433;"},
        {"Provider=SQLOLEDB;Data Source=(local)", "Driver={FreeTDS};Server=localhost;"},
        {"Provider=SQLOLEDB;Data Source=.\\SQLEXPRESS", "Driver={FreeTDS};Server=localhost\\SQLEXPRESS;"},
        {"Provider=SQLOLEDB", "Driver={FreeTDS};Server=localhost;"},
        {"Provider=SQLOLEDB;Address=10.1.1.1", "Driver={FreeTDS};Server=10.1.1.1;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ado);
        EXPECT_EQ(SqlServer(c.ado), std::string(c.odbc) + kTail);
    }
}

TEST(SqlOleDbTranslation, LoginAndDatabase) {
    EXPECT_EQ(SqlServer("Provider=SQLOLEDB.1;Persist Security Info=False;User ID=ftp;Password=s3cret;"
                        "Initial Catalog=FTPDB;Data Source=db1;Network Library=dbmssocn;Packet Size=4096"),
              std::string("Driver={FreeTDS};Server=db1;Database=FTPDB;UID=ftp;PWD=s3cret;") + kTail);
    EXPECT_EQ(SqlServer("Provider=SQLOLEDB;Server=db1;Database=FTPDB;UID=ftp;PWD=x"),
              std::string("Driver={FreeTDS};Server=db1;Database=FTPDB;UID=ftp;PWD=x;") + kTail);
    // Passwords with the separators of either syntax survive both parsers.
    EXPECT_EQ(SqlServer("Provider=SQLOLEDB;Data Source=db1;User ID=DOM\\ftp;Password=\"a;b}c \""),
              std::string("Driver={FreeTDS};Server=db1;UID=DOM\\ftp;PWD={a;b}}c };") + kTail);
}

TEST(SqlOleDbTranslation, OptionalSettings) {
    struct Case {
        const char* ado;
        const char* odbc;
    };
    const Case cases[] = {
        {"Provider=SQLOLEDB;Data Source=db1;Integrated Security=SSPI",
         "Driver={FreeTDS};Server=db1;Trusted_Connection=Yes;TDS_Version=7.4;ClientCharset=UTF-8;"},
        {"Provider=SQLOLEDB;Data Source=db1;Integrated Security=false",
         "Driver={FreeTDS};Server=db1;TDS_Version=7.4;ClientCharset=UTF-8;"},
        {"Provider=SQLOLEDB;Data Source=db1;Application Name=veltmoor;Workstation ID=ws7;Encrypt=yes",
         "Driver={FreeTDS};Server=db1;APP=veltmoor;WSID=ws7;Encryption=require;TDS_Version=7.4;ClientCharset=UTF-8;"},
        {"Provider=SQLOLEDB;Data Source=db1;TDS_Version=7.3;ClientCharset=CP1252",
         "Driver={FreeTDS};Server=db1;TDS_Version=7.3;ClientCharset=CP1252;"},
        {"Provider=SQLOLEDB;Driver=/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so;Data Source=db1,1433",
         "Driver={/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so};Server=db1;Port=1433;TDS_Version=7.4;"
         "ClientCharset=UTF-8;"},
        // Another driver gets SQL Server's own address form and no FreeTDS settings.
        {"Provider=SQLOLEDB;Driver={ODBC Driver 18 for SQL Server};Data Source=db1\\FTP,1500;Encrypt=true;"
         "Integrated Security=SSPI",
         "Driver={ODBC Driver 18 for SQL Server};Server=db1,1500;Trusted_Connection=Yes;Encrypt=yes;"},
        {"Provider=SQLOLEDB;Driver={ODBC Driver 18 for SQL Server};Data Source=db1\\FTP",
         "Driver={ODBC Driver 18 for SQL Server};Server=db1\\FTP;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ado);
        EXPECT_EQ(SqlServer(c.ado), c.odbc);
    }
}

TEST(SqlOleDbTranslation, LoginTimeout) {
    auto timeout = [](const char* ado) { return TranslateSqlOleDb(ConnectionString::Parse(ado)).loginTimeout; };
    EXPECT_EQ(timeout("Provider=SQLOLEDB;Data Source=db1"), 15);
    EXPECT_EQ(timeout("Provider=SQLOLEDB;Data Source=db1;Connect Timeout=3"), 3);
    EXPECT_EQ(timeout("Provider=SQLOLEDB;Data Source=db1;Connection Timeout=0"), 0);
}

TEST(SqlOleDbTranslation, MalformedValuesRaise) {
    const char* cases[] = {
        "Provider=SQLOLEDB;Data Source=db1,",
        "Provider=SQLOLEDB;Data Source=db1,0",
        "Provider=SQLOLEDB;Data Source=db1,65536",
        "Provider=SQLOLEDB;Data Source=db1,14x",
        "Provider=SQLOLEDB;Data Source=db1\\",
        "Provider=SQLOLEDB;Data Source=np:\\\\db1\\pipe\\sql\\query",
        "Provider=SQLOLEDB;Data Source=lpc:db1",
        "Provider=SQLOLEDB;Data Source=(localdb)\\MSSQLLocalDB",
        "Provider=SQLOLEDB;Data Source=db1;Integrated Security=maybe",
        "Provider=SQLOLEDB;Data Source=db1;Encrypt=sometimes",
        "Provider=SQLOLEDB;Data Source=db1;Connect Timeout=-1",
        "Provider=SQLOLEDB;Data Source=db1;Connect Timeout=soon",
    };
    for (const char* ado : cases) {
        SCOPED_TRACE(ado);
        try {
            SqlServer(ado);
            ADD_FAILURE() << "expected an error";
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), hr::kInvalidArg);
            EXPECT_NE(e.Description().find("Invalid connection string"), std::string::npos) << e.Description();
        }
    }
}

TEST(MsdasqlTranslation, PairsPassThroughWithOdbcNames) {
    struct Case {
        const char* ado;
        const char* odbc;
    };
    const Case cases[] = {
        {"Provider=MSDASQL;DSN=ftp;UID=a;PWD=b", "DSN=ftp;UID=a;PWD=b;"},
        {"Provider=MSDASQL.1;Data Source=ftp;User ID=a;Password=b", "DSN=ftp;UID=a;PWD=b;"},
        {"DSN=ftp", "DSN=ftp;"},
        {"Provider=MSDASQL;Driver={SQLite3};Database=/srv/ftp/x.db;Timeout=2000",
         "Driver={SQLite3};Database=/srv/ftp/x.db;Timeout=2000;"},
        {"Provider=MSDASQL;Driver=SQLite3;Database=/tmp/a b.db", "Driver={SQLite3};Database=/tmp/a b.db;"},
        {"Provider=MSDASQL;Driver=SQLite3;Database=\"/tmp/a;b.db\"", "Driver={SQLite3};Database={/tmp/a;b.db};"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ado);
        const OdbcConnectTarget target = TranslateMsdasql(ConnectionString::Parse(c.ado));
        EXPECT_EQ(target.connectionString, c.odbc);
        EXPECT_FALSE(target.loginTimeout);
    }
}

}  // namespace
}  // namespace veltmoor::ado::odbc
