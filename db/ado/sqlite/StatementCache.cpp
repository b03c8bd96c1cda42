#include "db/ado/sqlite/StatementCache.h"

namespace veltmoor::ado::sqlite {

StatementHandle StatementCache::Take(std::string_view key) {
    const auto found = index_.find(key);
    if (found == index_.end()) return nullptr;
    // Taking a statement marks its shape as recently used; the entry stays so that
    // giving it back costs no allocation.
    lru_.splice(lru_.begin(), lru_, found->second);
    return std::move(found->second->statement);
}

void StatementCache::Give(std::string_view key, StatementHandle statement) {
    if (!statement) return;
    const auto found = index_.find(key);
    if (found != index_.end()) {
        if (!found->second->statement) found->second->statement = std::move(statement);
        return;  // a second statement of a kept shape is finalized by its handle
    }
    lru_.push_front(Entry{std::string(key), std::move(statement)});
    index_.emplace(lru_.front().key, lru_.begin());
    Evict();
}

void StatementCache::Evict() {
    while (index_.size() > capacity_) {
        index_.erase(lru_.back().key);
        lru_.pop_back();
    }
}

void StatementCache::Clear() {
    index_.clear();
    lru_.clear();
}

}  // namespace veltmoor::ado::sqlite
