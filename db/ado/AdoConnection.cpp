// ADODB.Connection: a closed connection until Open picks the provider named in
// the connection string and hands every later call to it.
#include <memory>

#include "base/CString.h"
#include "db/ado/Connection.h"
#include "db/ado/EmbeddedFile.h"
#include "db/ado/Providers.h"

namespace veltmoor::ado {

namespace {

enum class ProviderKind { Embedded, SqlServer, Odbc, Unknown };

// "SQLOLEDB", "SQLOLEDB.1", "Microsoft.Jet.OLEDB.4.0", ... : the name with an
// optional version suffix of one or more ".n" parts.
bool NamesProvider(const std::string& value, const char* name) {
    const std::string upper = ToUpper(value);
    const std::string base = ToUpper(name);
    if (upper.rfind(base, 0) != 0) return false;
    const std::string rest = upper.substr(base.size());
    for (size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] != '.') return false;
        const size_t digits = i + 1;
        while (i + 1 < rest.size() && rest[i + 1] >= '0' && rest[i + 1] <= '9') ++i;
        if (i + 1 == digits) return false;  // a '.' without digits after it
    }
    return true;
}

ProviderKind Classify(const std::string& provider) {
    if (NamesProvider(provider, "Microsoft.Jet.OLEDB") || NamesProvider(provider, "Microsoft.ACE.OLEDB"))
        return ProviderKind::Embedded;
    if (NamesProvider(provider, "SQLOLEDB")) return ProviderKind::SqlServer;
    if (NamesProvider(provider, "MSDASQL")) return ProviderKind::Odbc;
    return ProviderKind::Unknown;
}

class AdoConnection final : public Connection {
public:
    void Open(const std::string& connectionString, const std::string&, const std::string&, long) override {
        if (impl_) throw _com_error(hr::kObjectOpen, "ADODB.Connection", "Operation is not allowed when the object is open.");
        const ConnectionString cs = ConnectionString::Parse(connectionString);
        const std::string provider = cs.Get("Provider").value_or("MSDASQL");
        switch (Classify(provider)) {
            case ProviderKind::Embedded: impl_ = OpenEmbedded(cs); break;
            case ProviderKind::SqlServer: impl_ = OpenOdbcProvider(cs, true, options_); break;
            case ProviderKind::Odbc: impl_ = OpenOdbcProvider(cs, false, options_); break;
            case ProviderKind::Unknown:
                throw _com_error(hr::kProviderNotFound, "ADODB.Connection",
                                 "Provider cannot be found. It may not be properly installed.");
        }
        providerName_ = impl_->Provider();
    }
    void Close() override {
        Require().Close();
        impl_.reset();
    }
    long State() override { return impl_ ? impl_->State() : static_cast<long>(adStateClosed); }
    RecordsetPtr Execute(const std::string& sql) override { return Require().Execute(sql); }
    RecordsetPtr ExecuteWith(const std::string& sql, const std::vector<std::int64_t>& values) override {
        return Require().ExecuteWith(sql, values);
    }
    std::string Version() override { return kDataAccessVersion; }
    std::string Provider() override { return providerName_; }
    std::string DbmsName() override { return impl_ ? impl_->DbmsName() : std::string(); }
    void PutCommandTimeout(long seconds) override {
        options_.commandTimeout = seconds;
        if (impl_) impl_->PutCommandTimeout(seconds);
    }
    void BeginTrans() override { Require().BeginTrans(); }
    void CommitTrans() override { Require().CommitTrans(); }
    void RollbackTrans() override { Require().RollbackTrans(); }
    std::shared_ptr<CatalogBackend> Catalog() override { return Require().Catalog(); }
    std::string DatabaseFile() override { return impl_ ? impl_->DatabaseFile() : std::string(); }
    bool IsReadOnly() override { return impl_ && impl_->IsReadOnly(); }
    std::string ReadOnlyReason() override { return impl_ ? impl_->ReadOnlyReason() : std::string(); }
    std::string QuickCheck() override { return Require().QuickCheck(); }
    std::string BackupTo(const std::string& path) override { return Require().BackupTo(path); }

private:
    // The file's first bytes pick the reader: libmdb for a Jet file, SQLite for the rest
    // (which also says why a file is neither).
    std::shared_ptr<Connection> OpenEmbedded(const ConnectionString& cs) {
        const std::optional<std::string> path = EmbeddedDataSource(cs);
        const EmbeddedFormat format = path ? FormatOfFile(*path) : EmbeddedFormat::Other;
        if (format == EmbeddedFormat::Jet3 || format == EmbeddedFormat::Jet4) return OpenJetProvider(*path);
        return OpenSqliteProvider(cs, options_);
    }
    Connection& Require() {
        if (!impl_)
            throw _com_error(hr::kObjectClosed, "ADODB.Connection", "Operation is not allowed when the object is closed.");
        return *impl_;
    }

    std::shared_ptr<Connection> impl_;
    OpenOptions options_;
    std::string providerName_ = "MSDASQL";
};

}  // namespace

ConnectionPtr CreateConnection() { return ConnectionPtr(std::make_shared<AdoConnection>()); }

}  // namespace veltmoor::ado
