// Prepared statements kept for reuse, keyed by the statement's shape (its text with
// integer literals lifted into parameters). A statement is taken out while a
// recordset uses it and given back reset; the least recently used shapes are
// finalized once more than `capacity` are kept. Owned by one session; not thread-safe.
#pragma once

#include <list>
#include <string>
#include <string_view>
#include <unordered_map>

#include "db/ado/sqlite/SqliteHandles.h"

namespace veltmoor::ado::sqlite {

class StatementCache {
public:
    explicit StatementCache(size_t capacity) : capacity_(capacity) {}
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // The idle statement prepared for this text, or null when there is none.
    StatementHandle Take(std::string_view key);
    // Keeps a reset statement for its text; finalizes it when one is already kept.
    void Give(std::string_view key, StatementHandle statement);
    // Finalizes every kept statement.
    void Clear();
    // The number of shapes remembered (with or without an idle statement).
    size_t size() const { return index_.size(); }

private:
    struct Entry {
        std::string key;
        StatementHandle statement;  // null while a recordset uses it
    };
    void Evict();

    size_t capacity_;
    std::list<Entry> lru_;  // most recently used first
    // Keys are views of the entries' own strings, which list nodes keep in place.
    std::unordered_map<std::string_view, std::list<Entry>::iterator> index_;
};

}  // namespace veltmoor::ado::sqlite
