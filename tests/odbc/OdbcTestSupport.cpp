#include "tests/odbc/OdbcTestSupport.h"

#include <cstdlib>

namespace veltmoor::ado::test {

namespace fs = std::filesystem;

namespace {
constexpr const char* kDriverLibrary = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
}

const std::string& SqliteDriver() {
    static const std::string driver = [] {
        const fs::path probe = fs::temp_directory_path() / "vm-odbc-probe.db";
        for (const std::string candidate : {"SQLite3", kDriverLibrary}) {
            try {
                ConnectionPtr c = CreateConnection();
                c->Open("Provider=MSDASQL;Driver={" + candidate + "};Database=" + probe.string(), "", "", 0);
                c->Close();
                fs::remove(probe);
                return candidate;
            } catch (const _com_error&) {
            }
        }
        fs::remove(probe);
        ADD_FAILURE() << "the SQLite3 ODBC driver is not installed (scripts/install-deps installs libsqliteodbc)";
        return std::string("SQLite3");
    }();
    return driver;
}

void OdbcSqliteTest::SetUp() {
    std::string pattern = (fs::temp_directory_path() / "vm-odbc-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
}

void OdbcSqliteTest::TearDown() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

std::string OdbcSqliteTest::ConnectionString(const std::string& file) const {
    return "Provider=MSDASQL;Driver={" + SqliteDriver() + "};Database=" + (dir_ / file).string();
}

ConnectionPtr OdbcSqliteTest::Open(const std::string& file) const {
    ConnectionPtr c = CreateConnection();
    c->Open(ConnectionString(file), "", "", 0);
    return c;
}

_com_error ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const _com_error& e) {
        return e;
    }
    ADD_FAILURE() << "expected a _com_error";
    return _com_error(0);
}

std::vector<std::vector<std::string>> Rows(const RecordsetPtr& rs, const std::vector<std::string>& fields) {
    std::vector<std::vector<std::string>> rows;
    for (; !rs->IsEOF(); rs->MoveNext()) {
        std::vector<std::string> row;
        for (const std::string& f : fields) {
            const _variant_t v = rs->GetField(f);
            row.push_back(v.IsNull() ? "NULL" : v.ToString());
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace veltmoor::ado::test
