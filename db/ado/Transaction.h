// A transaction on a connection that rolls back unless committed: repairs use it
// so that a failure never leaves half their work behind. A failing rollback during
// unwinding is swallowed (the error that caused the unwinding is the one to report),
// unless the owner asked to be told: `rolledBack` then hears how the rollback of an
// uncommitted transaction went (nullptr: it succeeded; else its error).
#pragma once

#include <functional>

#include "db/ado/Connection.h"

namespace veltmoor::ado {

class Transaction {
public:
    using RolledBack = std::function<void(const _com_error* failure)>;

    explicit Transaction(ConnectionPtr connection, RolledBack rolledBack = nullptr)
        : connection_(std::move(connection)), rolledBack_(std::move(rolledBack)) {
        connection_->BeginTrans();
    }
    ~Transaction() {
        if (!open_) return;
        try {
            connection_->RollbackTrans();
        } catch (const _com_error& error) {
            if (rolledBack_) rolledBack_(&error);
            return;
        }
        if (rolledBack_) rolledBack_(nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void Commit() {
        connection_->CommitTrans();
        open_ = false;
    }

private:
    ConnectionPtr connection_;
    RolledBack rolledBack_;
    bool open_ = true;
};

}  // namespace veltmoor::ado
