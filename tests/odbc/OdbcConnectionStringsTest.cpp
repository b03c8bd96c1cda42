// ADO connection strings as the ODBC driver manager receives them.
#include <gtest/gtest.h>

#include "db/ado/Error.h"
#include "db/ado/odbc/OdbcConnectionStrings.h"

namespace veltmoor::ado::odbc {
namespace {

TEST(SqlOleDbTranslation, ServerLoginAndSettings) {
    const std::string tail = "TDS_Version=7.4;ClientCharset=UTF-8;";
    const std::pair<const char*, std::string> cases[] = {
        {"Provider=SQLOLEDB;Data Source= db1 , 1444 ", "Driver={FreeTDS};Server=db1;Port=1444;" + tail},
        {"Provider=SQLOLEDB;Data Source=db1\\FTP", "Driver={FreeTDS};Server=db1\\FTP;" + tail},
        {"Provider=SQLOLEDB;Data Source=db1\\FTP,1500", "Driver={FreeTDS};Server=db1;Port=1500;" + tail},
        {"Provider=SQLOLEDB;Data Source=tcp:10.0.0.5,1433", "Driver={FreeTDS};Server=10.0.0.5;Port=1433;" + tail},
        {"Provider=SQLOLEDB;Data Source=(local)", "Driver={FreeTDS};Server=localhost;" + tail},
        {"Provider=SQLOLEDB;Data Source=.\\SQLEXPRESS", "Driver={FreeTDS};Server=localhost\\SQLEXPRESS;" + tail},
        {"Provider=SQLOLEDB.1", "Driver={FreeTDS};Server=localhost;" + tail},
        {"Provider=SQLOLEDB;Address=10.1.1.1", "Driver={FreeTDS};Server=10.1.1.1;" + tail},
        {"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=ftp;Password=s3cret;Initial Catalog=FTPDB;"
         "Data Source=db1;Network Library=dbmssocn;Packet Size=4096",
         "Driver={FreeTDS};Server=db1;Database=FTPDB;UID=ftp;PWD=s3cret;" + tail},
        // Passwords with the separators of either syntax survive both parsers.
        {"Provider=SQLOLEDB;Server=db1;UID=DOM\\ftp;PWD=\"a;b}c \"", "Driver={FreeTDS};Server=db1;UID=DOM\\ftp;PWD={a;b}}c };" + tail},
        {"Provider=SQLOLEDB;Data Source=db1;Integrated Security=SSPI", "Driver={FreeTDS};Server=db1;Trusted_Connection=Yes;" + tail},
        {"Provider=SQLOLEDB;Data Source=db1;Integrated Security=false", "Driver={FreeTDS};Server=db1;" + tail},
        {"Provider=SQLOLEDB;Data Source=db1;Application Name=veltmoor;Workstation ID=ws7;Encrypt=yes",
         "Driver={FreeTDS};Server=db1;APP=veltmoor;WSID=ws7;Encryption=require;" + tail},
        {"Provider=SQLOLEDB;Data Source=db1;TDS_Version=7.3;ClientCharset=CP1252",
         "Driver={FreeTDS};Server=db1;TDS_Version=7.3;ClientCharset=CP1252;"},
        {"Provider=SQLOLEDB;Driver=/usr/lib/libtdsodbc.so;Data Source=db1", "Driver={/usr/lib/libtdsodbc.so};Server=db1;" + tail},
        // Another driver gets SQL Server's own address form and no FreeTDS settings.
        {"Provider=SQLOLEDB;Driver={ODBC Driver 18 for SQL Server};Data Source=db1\\FTP,1500;Encrypt=true;"
         "Integrated Security=SSPI",
         "Driver={ODBC Driver 18 for SQL Server};Server=db1,1500;Trusted_Connection=Yes;Encrypt=yes;"},
    };
    for (const auto& [ado, odbc] : cases) {
        const OdbcConnectTarget target = TranslateSqlOleDb(ConnectionString::Parse(ado));
        EXPECT_EQ(target.connectionString, odbc) << ado;
        EXPECT_EQ(target.loginTimeout, 15) << ado;
    }
    EXPECT_EQ(TranslateSqlOleDb(ConnectionString::Parse("Provider=SQLOLEDB;Connect Timeout=3")).loginTimeout, 3);
    EXPECT_EQ(TranslateSqlOleDb(ConnectionString::Parse("Provider=SQLOLEDB;Connection Timeout=0")).loginTimeout, 0);
}

TEST(SqlOleDbTranslation, MalformedValuesRaise) {
    for (const char* value : {"Data Source=db1,", "Data Source=db1,0", "Data Source=db1,65536", "Data Source=db1,14x",
                              "Data Source=db1\\", "Data Source=np:\\\\db1\\pipe\\sql\\query", "Data Source=lpc:db1",
                              "Data Source=(localdb)\\MSSQLLocalDB", "Integrated Security=maybe", "Encrypt=sometimes",
                              "Connect Timeout=-1", "Connect Timeout=soon"}) {
        try {
            TranslateSqlOleDb(ConnectionString::Parse(std::string("Provider=SQLOLEDB;") + value));
            ADD_FAILURE() << "accepted " << value;
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), hr::kInvalidArg) << value;
            EXPECT_NE(e.Description().find("Invalid connection string"), std::string::npos) << e.Description();
        }
    }
}

TEST(MsdasqlTranslation, PairsPassThroughWithOdbcNames) {
    const std::pair<const char*, const char*> cases[] = {
        {"Provider=MSDASQL.1;Data Source=ftp;User ID=a;Password=b", "DSN=ftp;UID=a;PWD=b;"},
        {"DSN=ftp", "DSN=ftp;"},
        {"Provider=MSDASQL;Driver={SQLite3};Database=/srv/x.db;Timeout=2000", "Driver={SQLite3};Database=/srv/x.db;Timeout=2000;"},
        {"Provider=MSDASQL;Driver=SQLite3;Database=\"/tmp/a;b.db\"", "Driver={SQLite3};Database={/tmp/a;b.db};"},
    };
    for (const auto& [ado, odbc] : cases) {
        const OdbcConnectTarget target = TranslateMsdasql(ConnectionString::Parse(ado));
        EXPECT_EQ(target.connectionString, odbc);
        EXPECT_FALSE(target.loginTimeout);
    }
}

}  // namespace
}  // namespace veltmoor::ado::odbc
