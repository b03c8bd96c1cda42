// A transaction on a connection that rolls back unless committed: repairs use it
// so that a failure never leaves half their work behind. A failing rollback during
// unwinding is swallowed (the error that caused the unwinding is the one to report).
#pragma once

#include "db/ado/Connection.h"

namespace veltmoor::ado {

class Transaction {
public:
    explicit Transaction(ConnectionPtr connection) : connection_(std::move(connection)) { connection_->BeginTrans(); }
    ~Transaction() {
        if (open_) {
            try {
                connection_->RollbackTrans();
            } catch (const _com_error&) {
            }
        }
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void Commit() {
        connection_->CommitTrans();
        open_ = false;
    }
    void Rollback() {
        open_ = false;
        connection_->RollbackTrans();
    }

private:
    ConnectionPtr connection_;
    bool open_ = true;
};

}  // namespace veltmoor::ado
