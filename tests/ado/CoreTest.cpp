// The data-access core under the providers (variant conversions, connection-string
// parsing) and the SQLite provider's @@IDENTITY rewrite.
#include "db/ado/ConnectionString.h"
#include "db/ado/Error.h"
#include "db/ado/Variant.h"
#include "db/ado/sqlite/SqlText.h"
#include "tests/ado/SqliteFixture.h"

namespace veltmoor {
namespace {

TEST(Variant, Conversions) {
    const std::pair<_variant_t, int> ints[] = {{_variant_t(), 0},      {_variant_t(std::int64_t{-7}), -7},
                                               {_variant_t(true), -1}, {_variant_t(2.5), 2},  // banker's rounding
                                               {_variant_t(3.5), 4},   {_variant_t(" -12 "), -12},
                                               {_variant_t(std::int64_t{INT32_MIN}), INT32_MIN}, {_variant_t(INT32_MAX), INT32_MAX}};
    for (const auto& [value, expected] : ints) EXPECT_EQ(value.ToInt32(), expected) << value.ToString();
    const std::pair<_variant_t, HRESULT> bad[] = {
        {_variant_t::Null(), hr::kTypeMismatch}, {_variant_t("12abc"), hr::kTypeMismatch},
        {_variant_t(""), hr::kTypeMismatch},     {_variant_t(std::int64_t{1} << 40), hr::kOverflow},
        {_variant_t(1e12), hr::kOverflow},       {_variant_t("99999999999"), hr::kOverflow},
        {_variant_t(std::int64_t{INT32_MIN} - 1), hr::kOverflow}, {_variant_t(std::int64_t{INT32_MAX} + 1), hr::kOverflow},
    };
    for (const auto& [value, code] : bad) EXPECT_EQ(test::ErrorOf([&] { (void)value.ToInt32(); }).Error(), code);
    EXPECT_TRUE(_variant_t("TRUE").ToBool() && _variant_t(true).ToString() == "True");
}

TEST(ConnectionString, ParsesPairsAndRefusesMalformedText) {
    const auto cs = ado::ConnectionString::Parse(
        "Provider=Microsoft.Jet.OLEDB.4.0; data source = /srv/x y.mdb ;Password='it''s';Driver={a}}b};Extra=\"a;b\";;");
    EXPECT_EQ(cs.Get("password"), "it's");
    EXPECT_EQ(cs.Get("driver"), "a}b");
    EXPECT_EQ(cs.Get("extra"), "a;b");
    EXPECT_FALSE(cs.Get("datasource").has_value());
    EXPECT_EQ(cs.GetAny({"Server", "Data Source"}), "/srv/x y.mdb");
    EXPECT_EQ(cs.Pairs().size(), 5u);
    const std::pair<const char*, const char*> malformed[] = {
        {"Provider='Jet", "the value of \"Provider\" has an unbalanced '"},
        {"Provider=\"Jet", "the value of \"Provider\" has an unbalanced \""},
        {"Driver={SQL", "the value of \"Driver\" has an unbalanced {"},
        {"Provider=Jet;data source", "\"data source\" has no value (missing '=')"},
        {"=v", "a value without a key at position 1"},
        {"P='a'b", "text after the quoted value of \"P\""},
    };
    for (const auto& [text, why] : malformed) {
        const _com_error e = test::ErrorOf([&] { (void)ado::ConnectionString::Parse(text); });
        EXPECT_EQ(e.Error(), hr::kInvalidArg) << text;
        EXPECT_EQ(e.Description(), std::string("Invalid connection string: ") + why);
    }
}

TEST(RewriteIdentity, ReplacesOnlyTheBareWord) {
    const std::pair<const char*, const char*> cases[] = {
        {"select @@identity AS ID", "select last_insert_rowid() AS ID"},
        {"SELECT '@@IDENTITY', [@@IDENTITY], \"@@IDENTITY\", @@IDENTITYX -- @@IDENTITY\n@@Identity",
         "SELECT '@@IDENTITY', [@@IDENTITY], \"@@IDENTITY\", @@IDENTITYX -- @@IDENTITY\nlast_insert_rowid()"},
        {"SELECT 'open @@IDENTITY", "SELECT 'open @@IDENTITY"},
    };
    for (const auto& [sql, text] : cases) EXPECT_EQ(ado::sqlite::RewriteIdentity(sql), text);
}

TEST(WithValues, FillsOnlyTheMarksOutsideQuotes) {
    const std::tuple<const char*, std::vector<std::int64_t>, const char*> cases[] = {
        {"UPDATE T SET A = ? WHERE ID = ?", {5, INT64_MIN}, "UPDATE T SET A = 5 WHERE ID = -9223372036854775808"},
        {"SELECT '?', \"?\", [?], 'it''s ?' FROM T WHERE ID = ?", {7}, "SELECT '?', \"?\", [?], 'it''s ?' FROM T WHERE ID = 7"},
        {"SELECT ?, ?", {1}, "SELECT 1, ?"},
    };
    for (const auto& [sql, values, text] : cases) EXPECT_EQ(ado::WithValues(sql, values), text);
}

// Providers are named in any case, with or without ".n" version parts; a connection never opened answers MSDASQL.
TEST(AdoConnection, ProvidersAreFoundByNameAndVersion) {
    EXPECT_EQ(ado::CreateConnection()->Provider(), "MSDASQL");
    for (const auto& [name, found] : {std::pair{"microsoft.ace.oledb.12.0", true}, {"Microsoft.Jet.OLEDB.4..0", false},
                                      {"Microsoft.Jet.OLEDB4.0", false}, {"Microsoft.Jet.OLEDB.4.0a", false}}) {
        const ado::ConnectionPtr c = ado::CreateConnection();
        const _com_error e = test::ErrorOf([&] { c->Open(std::string("Provider=") + name + ";Data Source=/no/x.mdb", "", "", 0); });
        EXPECT_EQ(e.Error() == hr::kProviderNotFound, !found) << name;
    }
}

}  // namespace
}  // namespace veltmoor
