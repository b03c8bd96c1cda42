// The open connection to a genuine Jet 3/4 file (what Provider=Microsoft.Jet.OLEDB.4.0
// opens when the file is one): read-only, always. Execute answers plain SELECTs of
// whole tables; transactions and every write raise the read-only error. Made open by
// OpenJetProvider; after Close every call but Close and State raises "closed".
#pragma once

#include <memory>
#include <string>

#include "db/ado/Connection.h"
#include "db/ado/jet/JetFile.h"

namespace veltmoor::ado::jet {

class JetConnection final : public Connection {
public:
    JetConnection(HandlePtr mdb, std::string path);

    void Open(const std::string&, const std::string&, const std::string&, long) override;
    void Close() override;
    long State() override { return mdb_ ? adStateOpen : adStateClosed; }
    // SELECT col[,col...] FROM table: its rows in table order. Anything else raises,
    // naming the statement (a missing table is named first).
    RecordsetPtr Execute(const std::string& sql) override;
    std::string Version() override { return kDataAccessVersion; }
    std::string Provider() override { return "Microsoft.Jet.OLEDB.4.0"; }
    std::string DbmsName() override { return kJetDbmsName; }
    void PutCommandTimeout(long) override {}  // every read is bounded by the file's size
    void BeginTrans() override;
    void CommitTrans() override;
    void RollbackTrans() override;
    std::shared_ptr<CatalogBackend> Catalog() override;
    std::string DatabaseFile() override { return path_; }
    bool IsReadOnly() override { return true; }
    std::string ReadOnlyReason() override;
    // Nothing is repaired, so nothing is backed up before a repair.
    std::string BackupTo(const std::string&) override;

private:
    void Require(const char* what);

    std::shared_ptr<MdbHandle> mdb_;  // shared with the catalogs handed out
    std::string path_;
};

}  // namespace veltmoor::ado::jet
