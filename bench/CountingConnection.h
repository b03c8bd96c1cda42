// A connection that forwards every call to a real one and counts the statements sent,
// so that a benchmark can report them beside its times.
#pragma once

#include "db/ado/Connection.h"

namespace veltmoor::bench {

class CountingConnection final : public ado::Connection {
public:
    explicit CountingConnection(ado::ConnectionPtr inner, long* statements) : inner_(std::move(inner)), statements_(statements) {}
    void Open(const std::string& cs, const std::string& u, const std::string& p, long o) override { inner_->Open(cs, u, p, o); }
    void Close() override { inner_->Close(); }
    long State() override { return inner_->State(); }
    ado::RecordsetPtr Execute(const std::string& sql) override {
        ++*statements_;
        return inner_->Execute(sql);
    }
    ado::RecordsetPtr ExecuteWith(const std::string& sql, const std::vector<std::int64_t>& values) override {
        ++*statements_;
        return inner_->ExecuteWith(sql, values);
    }
    std::string Version() override { return inner_->Version(); }
    std::string Provider() override { return inner_->Provider(); }
    std::string DbmsName() override { return inner_->DbmsName(); }
    void PutCommandTimeout(long s) override { inner_->PutCommandTimeout(s); }
    void BeginTrans() override { inner_->BeginTrans(); }
    void CommitTrans() override { inner_->CommitTrans(); }
    void RollbackTrans() override { inner_->RollbackTrans(); }
    std::shared_ptr<ado::CatalogBackend> Catalog() override { return inner_->Catalog(); }
    std::string DatabaseFile() override { return inner_->DatabaseFile(); }
    bool IsReadOnly() override { return inner_->IsReadOnly(); }
    std::string ReadOnlyReason() override { return inner_->ReadOnlyReason(); }
    std::string QuickCheck() override { return inner_->QuickCheck(); }
    std::string BackupTo(const std::string& path) override { return inner_->BackupTo(path); }

private:
    ado::ConnectionPtr inner_;
    long* statements_;
};

}  // namespace veltmoor::bench
