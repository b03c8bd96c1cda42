// The data-access core under the providers: error messages, variant conversions,
// connection-string parsing and provider dispatch.
#include <gmock/gmock.h>

#include "db/ado/Connection.h"
#include "db/ado/ConnectionString.h"
#include "db/ado/Error.h"
#include "db/ado/Variant.h"

namespace veltmoor {
namespace {

using ado::ConnectionString;
using ::testing::HasSubstr;

TEST(ComError, Messages) {
    const std::pair<std::uint32_t, const char*> cases[] = {
        {0x80040201u, "IDispatch error #1"},     {0x80040200u, "Unknown error 0x80040200"},
        {0x8004FFFFu, "IDispatch error #65023"}, {0x80050000u, "Unknown error 0x80050000"},
        {0x00000001u, "Unknown error 0x1"},      {0x80004003u, "Invalid pointer"},
    };
    for (const auto& [code, message] : cases) EXPECT_EQ(_com_error(static_cast<HRESULT>(code)).ErrorMessage(), message);
    const _com_error withInfo(hr::kFail, "SQLite", "database is locked");
    EXPECT_TRUE(withInfo.HasErrorInfo());
    EXPECT_FALSE(_com_error(hr::kFail).HasErrorInfo());
    EXPECT_EQ(withInfo.ErrorMessage(), "Unspecified error");
    EXPECT_STREQ(withInfo.what(), "database is locked");
}

TEST(Variant, Conversions) {
    const std::pair<_variant_t, int> ints[] = {{_variant_t(), 0},      {_variant_t(std::int64_t{-7}), -7},
                                               {_variant_t(true), -1}, {_variant_t(2.5), 2},  // banker's rounding
                                               {_variant_t(3.5), 4},   {_variant_t(" -12 "), -12}};
    for (const auto& [value, expected] : ints) EXPECT_EQ(value.ToInt32(), expected) << value.ToString();
    const std::pair<_variant_t, HRESULT> bad[] = {
        {_variant_t::Null(), hr::kTypeMismatch},           {_variant_t("12abc"), hr::kTypeMismatch},
        {_variant_t(""), hr::kTypeMismatch},               {_variant_t(std::int64_t{1} << 40), hr::kOverflow},
        {_variant_t(1e12), hr::kOverflow},                 {_variant_t("99999999999"), hr::kOverflow},
    };
    for (const auto& [value, code] : bad) {
        try {
            (void)value.ToInt32();
            ADD_FAILURE() << "no error for variant of kind " << static_cast<int>(value.kind());
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), code);
        }
    }
    EXPECT_TRUE(_variant_t("TRUE").ToBool());
    EXPECT_FALSE(_variant_t("false").ToBool());
    EXPECT_EQ(_variant_t(true).ToString(), "True");
    EXPECT_EQ(_variant_t(0.5).ToString(), "0.5");
    EXPECT_THROW((void)_variant_t::Null().ToString(), _com_error);
    EXPECT_TRUE(_variant_t::Null().IsEmptyOrNull());
    EXPECT_FALSE(_variant_t("").IsEmptyOrNull());
}

TEST(ConnectionString, ParsesPairsAndRefusesMalformedText) {
    const auto cs = ConnectionString::Parse(
        "Provider=Microsoft.Jet.OLEDB.4.0; data source = /srv/x y.mdb ;Password='it''s';Driver={a}}b};Extra=\"a;b\";;");
    EXPECT_EQ(cs.Get("PROVIDER"), "Microsoft.Jet.OLEDB.4.0");
    EXPECT_EQ(cs.Get("password"), "it's");
    EXPECT_EQ(cs.Get("driver"), "a}b");
    EXPECT_EQ(cs.Get("extra"), "a;b");
    EXPECT_FALSE(cs.Get("datasource").has_value());
    EXPECT_EQ(cs.GetAny({"Server", "Data Source"}), "/srv/x y.mdb");
    EXPECT_EQ(cs.Pairs().size(), 5u);
    for (const char* text : {"Provider='Jet", "Provider=\"Jet", "Driver={SQL Server", "Provider=Jet;data source",
                             "=value", "Password='a'b"}) {
        try {
            (void)ConnectionString::Parse(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), hr::kInvalidArg) << text;
            EXPECT_THAT(e.Description(), HasSubstr("Invalid connection string")) << text;
        }
    }
}

TEST(Connection, UnknownProviderAndNullConnection) {
    auto connection = ado::CreateConnection();
    try {
        connection->Open("Provider=NoSuch.Provider.1;Data Source=x", "", "", 0);
        ADD_FAILURE() << "opened";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), hr::kProviderNotFound);
        EXPECT_EQ(e.Description(), "Provider cannot be found. It may not be properly installed.");
    }
    EXPECT_EQ(connection->State(), ado::adStateClosed);
    EXPECT_THROW(connection->Execute("SELECT 1"), _com_error);
    ado::ConnectionPtr none;
    EXPECT_THROW(none->Close(), _com_error);
}

}  // namespace
}  // namespace veltmoor
