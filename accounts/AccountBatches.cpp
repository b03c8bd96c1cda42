#include "accounts/AccountBatches.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace veltmoor::accounts {

const LinkCheck kLinkChecks[kLinkCount] = {
    {"SETTINGS_ID", "SETTINGS", "HAS_SETTINGS", "SELECT ID FROM SETTINGS WHERE ID = %lld",
     "Missing recordset in SETTINGS table", "INSERT INTO SETTINGS (ALLOW_ANONYMOUS) VALUES (0)",
     "UPDATE ACCOUNTS SET SETTINGS_ID = ? WHERE ID = ?"},
    {"QUOTA_ID", "QUOTAS", "HAS_QUOTA", "SELECT ID FROM QUOTAS WHERE ID = %lld", "Missing recordset in QUOTA table",
     "INSERT INTO QUOTAS (ENABLE_QUOTA) VALUES (0);", "UPDATE ACCOUNTS SET QUOTA_ID = ? WHERE ID = ?"},
    {"RATIO_ID", "RATIOS", "HAS_RATIO", "SELECT ID FROM RATIOS WHERE ID = %lld", "Missing recordset in RATIO table",
     "INSERT INTO RATIOS(ENABLE_RATIO) VALUES(0)", "UPDATE ACCOUNTS SET RATIO_ID = ? WHERE ID = ?"},
    {"HOME_FOLDER_ID", "FOLDERS", "HAS_FOLDER", "SELECT ID FROM FOLDERS WHERE ID = %lld",
     "Missing recordset in FOLDERS table", nullptr, nullptr},
};

namespace {

std::optional<std::int64_t> FromDouble(double d) {
    // 2^63 is the first double past the range; every double below it converts exactly.
    if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0) || std::trunc(d) != d) return std::nullopt;
    return static_cast<std::int64_t>(d);
}

// The account's own columns from the current row.
Account ReadAccount(const ado::RecordsetPtr& rows) {
    Account a;
    a.id = rows->GetField("ID");
    const _variant_t name = rows->GetField("NAME");
    if (!name.IsNull()) a.name = name.ToString();
    for (int i = 0; i < kLinkCount; ++i) a.links[i] = rows->GetField(kLinkChecks[i].link);
    return a;
}

}  // namespace

std::optional<std::int64_t> WholeNumber(const _variant_t& value) {
    switch (value.kind()) {
        case _variant_t::Kind::Integer: return value.AsInteger();
        case _variant_t::Kind::Double: return FromDouble(value.AsDouble());
        case _variant_t::Kind::Text: {
            const std::string& text = value.AsText();
            if (text.empty()) return std::nullopt;
            char* end = nullptr;
            errno = 0;
            const long long n = std::strtoll(text.c_str(), &end, 10);
            if (*end == '\0' && errno == 0) return n;
            const double d = std::strtod(text.c_str(), &end);
            return *end == '\0' ? FromDouble(d) : std::nullopt;
        }
        default: return std::nullopt;
    }
}

AccountBatches::AccountBatches(ado::ConnectionPtr connection, AccountSql sql, std::int64_t size)
    : connection_(std::move(connection)), sql_(sql), size_(size) {}

std::vector<Account> AccountBatches::Next() {
    if (done_) return {};
    if (sql_.ReadsWholeTables()) return ReadFromWholeTables();
    std::vector<Account> batch;
    while (batch.empty() && !done_) {  // the accounts with an ID may end on a batch's edge
        try {
            batch = Read(true);
        } catch (const _com_error&) {
            // The same accounts without their link checks: the first lookup of a missing
            // table or column then fails where the account is being checked, and says so.
            batch = Read(false);
        }
    }
    return batch;
}

std::vector<Account> AccountBatches::ReadFromWholeTables() {
    if (!accounts_) {
        for (int i = 0; i < kLinkCount; ++i) {
            try {
                ado::RecordsetPtr rows = connection_->Execute(Format("SELECT ID FROM %s", kLinkChecks[i].table));
                std::unordered_set<std::int64_t>& ids = ids_[i].emplace();
                for (; !rows->IsEOF(); rows->MoveNext())
                    if (const auto id = WholeNumber(rows->GetField("ID"))) ids.insert(*id);
            } catch (const _com_error&) {
                ids_[i].reset();  // looked up per account, where its failure is then reported
            }
        }
        accounts_ = connection_->Execute("SELECT ID,NAME,SETTINGS_ID,HOME_FOLDER_ID,QUOTA_ID,RATIO_ID FROM ACCOUNTS");
    }
    std::vector<Account> batch;
    for (; !accounts_->IsEOF() && static_cast<std::int64_t>(batch.size()) < size_; accounts_->MoveNext()) {
        Account& a = batch.emplace_back(ReadAccount(accounts_));
        for (int i = 0; i < kLinkCount; ++i) {
            const std::optional<std::int64_t> link = WholeNumber(a.links[i]);
            if (ids_[i]) a.linked[i] = link && ids_[i]->count(*link) > 0;
        }
    }
    done_ = accounts_->IsEOF();
    return batch;
}

std::vector<Account> AccountBatches::Read(bool withLinks) {
    std::vector<Account> batch;
    std::vector<std::int64_t> rowids;
    ado::RecordsetPtr rows = connection_->Execute(sql_.Batch(page_, size_, withLinks));
    for (; !rows->IsEOF(); rows->MoveNext()) {
        Account& a = batch.emplace_back(ReadAccount(rows));
        for (int i = 0; i < kLinkCount && withLinks; ++i) a.linked[i] = rows->GetField(kLinkChecks[i].flag).ToInt32() != 0;
        if (!sql_.PagesByRowid()) continue;
        const std::optional<std::int64_t> rowid = WholeNumber(rows->GetField("ROW_ID"));
        if (!rowid) throw _com_error(hr::kTypeMismatch);  // SQLite's rowid is a whole number
        rowids.push_back(*rowid);
    }
    rows->Close();
    Advance(batch, rowids);
    return batch;
}

void AccountBatches::Advance(const std::vector<Account>& batch, const std::vector<std::int64_t>& rowids) {
    const bool full = static_cast<std::int64_t>(batch.size()) == size_;
    if (sql_.PagesByRowid()) {
        if (!rowids.empty()) page_.rowid = rowids.back();
        done_ = !full;
        return;
    }
    if (page_.nullIds) {
        page_.skip += static_cast<std::int64_t>(batch.size());
        done_ = !full;
        return;
    }
    if (!full) {  // every account with an ID is read: on to those without one
        page_ = Page{std::nullopt, std::nullopt, 0, true};
        return;
    }
    const std::optional<std::int64_t> last = WholeNumber(batch.back().id);
    if (!last) throw _com_error(hr::kTypeMismatch);  // a server's ID column holds whole numbers
    const std::int64_t before = page_.id == last ? page_.skip : 0;
    std::int64_t same = 0;
    for (auto a = batch.rbegin(); a != batch.rend() && WholeNumber(a->id) == last; ++a) ++same;
    page_.id = last;
    page_.skip = before + same;
}

}  // namespace veltmoor::accounts
