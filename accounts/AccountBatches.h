// Reads the accounts a batch at a time, each batch in one statement that also says
// whether each account's four linked rows exist, so that only broken links cost more.
// Every account row is read exactly once, whatever its ID.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <unordered_set>
#include <vector>

#include "accounts/AccountSql.h"
#include "base/CString.h"
#include "db/ado/Connection.h"

namespace veltmoor::accounts {

// The four links in the order they are checked.
enum LinkIndex { kSettingsLink, kQuotaLink, kRatioLink, kFolderLink, kLinkCount };

// What is checked of one link, and how it is repaired (the home folder has a repair of its own).
struct LinkCheck {
    const char* link;     // the account's link column
    const char* table;    // where the link points
    const char* flag;     // the batch read's column saying whether the linked row exists
    const char* query;    // "%lld": the link value
    const char* message;  // the finding
    const char* insert;   // a row with neutral values
    const char* update;   // '?': the new row's ID, then the account's ID
};
extern const LinkCheck kLinkChecks[kLinkCount];

struct Account {
    _variant_t id;                                    // as stored: NULL, a whole number or anything else
    CString name;                                     // a NULL name reads as an empty one
    std::array<_variant_t, kLinkCount> links;         // the link columns' values
    std::array<std::optional<bool>, kLinkCount> linked;  // whether the linked row exists; none: not read
};

// What a repair learnt of its account under the repair's lock, read at its first repair.
struct LockedAccount {
    bool read = false;     // the account's rows were read under the lock
    bool refused = false;  // no repair may change the account (the error block says why)
    std::int64_t id = 0;
    std::array<bool, kLinkCount> linked{};  // as read under the lock
};

enum class RepairOutcome : int { kFixed, kFailed, kWithdrawn };  // withdrawn: repaired meanwhile by another run

// A value as a whole number: integers, and doubles and texts that hold one exactly;
// none for NULL, fractions, booleans and other texts (they can name no row).
std::optional<std::int64_t> WholeNumber(const _variant_t& value);

// Reads the account rows of one connection in batches (see Page for the order).
class AccountBatches {
public:
    AccountBatches(ado::ConnectionPtr connection, AccountSql sql, std::int64_t size);
    // The next batch, empty after the last. Its cursor is closed before it returns, so
    // that repairs never run under one. A batch whose link checks cannot be read (a linked
    // table or column is missing) comes without them: its links are then looked up one by one.
    std::vector<Account> Next();

private:
    std::vector<Account> Read(bool withLinks);
    std::vector<Account> ReadFromWholeTables();
    void Advance(const std::vector<Account>& batch, const std::vector<std::int64_t>& rowids);

    ado::ConnectionPtr connection_;
    AccountSql sql_;
    std::int64_t size_;
    Page page_;
    bool done_ = false;
    // Whole-table reading: each linked table's IDs (none: its IDs could not be read),
    // and the one cursor over ACCOUNTS.
    std::array<std::optional<std::unordered_set<std::int64_t>>, kLinkCount> ids_;
    ado::RecordsetPtr accounts_;
};

}  // namespace veltmoor::accounts
