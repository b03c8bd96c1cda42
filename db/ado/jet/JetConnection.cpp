#include "db/ado/jet/JetConnection.h"

#include "db/ado/jet/JetCatalog.h"
#include "db/ado/jet/JetErrors.h"
#include "db/ado/jet/JetRecordset.h"
#include "db/ado/jet/JetSelect.h"

namespace veltmoor::ado::jet {

JetConnection::JetConnection(HandlePtr mdb, std::string path)
    : mdb_(mdb.release(), HandleCloser()), path_(std::move(path)) {}

void JetConnection::Open(const std::string&, const std::string&, const std::string&, long) {
    RaiseProvider(hr::kObjectOpen, "Operation is not allowed when the object is open.");
}

void JetConnection::Close() {
    Require("Connection.Close");
    mdb_.reset();
}

void JetConnection::Require(const char* what) {
    if (!mdb_) RaiseClosed(what);
}

RecordsetPtr JetConnection::Execute(const std::string& sql) {
    Require("Connection.Execute");
    const std::optional<PlainSelect> select = ParsePlainSelect(sql);
    if (!select || !select->complete) {
        // A table that is not there is the clearer answer, whatever else the statement asks.
        if (select) ReadTable(*mdb_, select->table);
        RaiseProvider(hr::kNotSupported, "The statement '" + sql + "' cannot run on the Microsoft Jet database '" +
                                             path_ + "': Jet files are read read-only here, and only "
                                             "SELECT column, ... FROM table is answered.");
    }
    // A handle of its own: libmdb reads every table through its handle's one page buffer.
    HandlePtr reader = OpenJetFile(path_);
    TablePtr table = ReadTable(*reader, select->table);
    return RecordsetPtr(std::make_shared<JetRecordset>(std::move(reader), std::move(table), select->columns));
}

void JetConnection::BeginTrans() {
    Require("Connection.BeginTrans");
    RaiseReadOnly("BeginTrans", path_);
}

void JetConnection::CommitTrans() {
    Require("Connection.CommitTrans");
    RaiseReadOnly("CommitTrans", path_);
}

void JetConnection::RollbackTrans() {
    Require("Connection.RollbackTrans");
    RaiseReadOnly("RollbackTrans", path_);
}

std::shared_ptr<CatalogBackend> JetConnection::Catalog() {
    Require("Connection.Catalog");
    return std::make_shared<JetCatalog>(mdb_, path_);
}

std::string JetConnection::BackupTo(const std::string&) {
    Require("Connection.BackupTo");
    RaiseReadOnly("the backup before a repair", path_);
}

std::string JetConnection::ReadOnlyReason() { return jet::ReadOnlyReason(path_); }

}  // namespace veltmoor::ado::jet
