// A real connection (the embedded provider) behind a wrapper that counts Open and
// Close calls for the tests of the handlers' order of work, and can be told to
// fail its Close the way a broken connection does.
#pragma once

#include <memory>

#include "db/ado/Connection.h"

namespace veltmoor::test {

struct ConnectionCounts {
    int made = 0;
    int opens = 0;
    int closes = 0;
    bool failClose = false;
};

class CountingConnection : public ado::Connection {
public:
    explicit CountingConnection(std::shared_ptr<ConnectionCounts> counts)
        : counts_(std::move(counts)), real_(ado::CreateConnection()) {
        ++counts_->made;
    }
    void Open(const std::string& cs, const std::string& user, const std::string& password, long options) override {
        ++counts_->opens;
        real_->Open(cs, user, password, options);
    }
    void Close() override {
        ++counts_->closes;
        if (counts_->failClose) throw _com_error(hr::kFail, "CountingConnection", "close failed");
        real_->Close();
    }
    long State() override { return real_->State(); }
    ado::RecordsetPtr Execute(const std::string& sql) override { return real_->Execute(sql); }
    std::string Version() override { return real_->Version(); }
    std::string Provider() override { return real_->Provider(); }
    void PutCommandTimeout(long seconds) override { real_->PutCommandTimeout(seconds); }
    void BeginTrans() override { real_->BeginTrans(); }
    void CommitTrans() override { real_->CommitTrans(); }
    void RollbackTrans() override { real_->RollbackTrans(); }
    std::shared_ptr<ado::CatalogBackend> Catalog() override { return real_->Catalog(); }

private:
    std::shared_ptr<ConnectionCounts> counts_;
    ado::ConnectionPtr real_;
};

// A factory for CVeltmoorDlg::m_connectionFactory that hands out counting connections.
inline std::function<ado::ConnectionPtr()> CountingFactory(std::shared_ptr<ConnectionCounts> counts) {
    return [counts] { return ado::ConnectionPtr(std::make_shared<CountingConnection>(counts)); };
}

}  // namespace veltmoor::test
