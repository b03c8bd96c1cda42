// The data-access core under the providers: the error type's message rules,
// variant conversions, connection-string parsing and provider dispatch.
#include <gtest/gtest.h>

#include "db/ado/Connection.h"
#include "db/ado/ConnectionString.h"
#include "db/ado/Error.h"
#include "db/ado/Variant.h"

namespace veltmoor {
namespace {

using ado::ConnectionString;

TEST(ComError, MessageForCodesWithoutText) {
    struct Case {
        std::uint32_t code;
        const char* message;
    };
    const Case cases[] = {
        {0x80040201u, "IDispatch error #1"},
        {0x80040200u, "Unknown error 0x80040200"},
        {0x8004FFFFu, "IDispatch error #65023"},
        {0x80050000u, "Unknown error 0x80050000"},
        {0x80040E31u, "IDispatch error #3121"},
        {0x00000001u, "Unknown error 0x1"},
        {0x800a0e7au, "Unknown error 0x800A0E7A"},
    };
    for (const auto& c : cases) {
        const _com_error error(static_cast<HRESULT>(c.code));
        EXPECT_EQ(error.ErrorMessage(), c.message) << std::hex << c.code;
    }
}

TEST(ComError, MessageFromTableAndComponentInfo) {
    const _com_error pointer(hr::kPointer);
    EXPECT_EQ(pointer.ErrorMessage(), "Invalid pointer");
    EXPECT_FALSE(pointer.HasErrorInfo());
    EXPECT_EQ(pointer.Source(), "");
    const _com_error withInfo(hr::kFail, "SQLite", "database is locked");
    EXPECT_TRUE(withInfo.HasErrorInfo());
    EXPECT_EQ(withInfo.ErrorMessage(), "Unspecified error");
    EXPECT_STREQ(withInfo.what(), "database is locked");
    // The message is worked out once and then kept.
    EXPECT_EQ(&withInfo.ErrorMessage(), &withInfo.ErrorMessage());
}

TEST(ComError, CodeLineIsTheCallersLowerCaseFormat) {
    char line[32];
    std::snprintf(line, sizeof line, "Code = %08lx", static_cast<unsigned long>(static_cast<std::uint32_t>(hr::kFail)));
    EXPECT_STREQ(line, "Code = 80004005");
}

TEST(Variant, ToInt32) {
    EXPECT_EQ(_variant_t().ToInt32(), 0);
    EXPECT_EQ(_variant_t(42).ToInt32(), 42);
    EXPECT_EQ(_variant_t(std::int64_t{-7}).ToInt32(), -7);
    EXPECT_EQ(_variant_t(true).ToInt32(), -1);
    EXPECT_EQ(_variant_t(false).ToInt32(), 0);
    EXPECT_EQ(_variant_t(2.5).ToInt32(), 2);  // banker's rounding, as the platform converts
    EXPECT_EQ(_variant_t(3.5).ToInt32(), 4);
    EXPECT_EQ(_variant_t("12").ToInt32(), 12);
    EXPECT_EQ(_variant_t(" -12 ").ToInt32(), -12);

    struct Bad {
        _variant_t value;
        HRESULT code;
    };
    const Bad bad[] = {
        {_variant_t::Null(), hr::kTypeMismatch},
        {_variant_t("12abc"), hr::kTypeMismatch},
        {_variant_t(""), hr::kTypeMismatch},
        {_variant_t("abc"), hr::kTypeMismatch},
        {_variant_t(std::int64_t{1} << 40), hr::kOverflow},
        {_variant_t(1e12), hr::kOverflow},
        {_variant_t("99999999999"), hr::kOverflow},
    };
    for (const auto& b : bad) {
        try {
            (void)b.value.ToInt32();
            ADD_FAILURE() << "no error for variant of kind " << static_cast<int>(b.value.kind());
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), b.code);
        }
    }
}

TEST(Variant, ToBoolAndToString) {
    EXPECT_TRUE(_variant_t("TRUE").ToBool());
    EXPECT_FALSE(_variant_t("false").ToBool());
    EXPECT_TRUE(_variant_t(std::int64_t{-1}).ToBool());
    EXPECT_FALSE(_variant_t().ToBool());
    EXPECT_THROW((void)_variant_t::Null().ToBool(), _com_error);
    EXPECT_EQ(_variant_t(std::int64_t{123}).ToString(), "123");
    EXPECT_EQ(_variant_t(true).ToString(), "True");
    EXPECT_EQ(_variant_t(0.5).ToString(), "0.5");
    EXPECT_EQ(_variant_t("Grüße").ToString(), "Grüße");
    EXPECT_EQ(_variant_t().ToString(), "");
    EXPECT_THROW((void)_variant_t::Null().ToString(), _com_error);
    EXPECT_TRUE(_variant_t::Null().IsEmptyOrNull());
    EXPECT_FALSE(_variant_t("").IsEmptyOrNull());
}

TEST(ConnectionString, ParsesPairs) {
    const auto cs = ConnectionString::Parse(
        "Provider=Microsoft.Jet.OLEDB.4.0; data source = /srv/x y.mdb ;Password='it''s';"
        "Driver={SQL Server};Extra=\"a;b\";;");
    EXPECT_EQ(cs.Get("PROVIDER"), "Microsoft.Jet.OLEDB.4.0");
    EXPECT_EQ(cs.Get("Data Source"), "/srv/x y.mdb");
    EXPECT_EQ(cs.Get("password"), "it's");
    EXPECT_EQ(cs.Get("driver"), "SQL Server");
    EXPECT_EQ(cs.Get("extra"), "a;b");
    EXPECT_FALSE(cs.Get("datasource").has_value());
    EXPECT_EQ(cs.GetAny({"Server", "Data Source"}), "/srv/x y.mdb");
    EXPECT_EQ(cs.Pairs().size(), 5u);
}

TEST(ConnectionString, BracesDoubleTheirCloser) {
    const auto cs = ConnectionString::Parse("Driver={a}}b};X=1");
    EXPECT_EQ(cs.Get("Driver"), "a}b");
    EXPECT_EQ(cs.Get("X"), "1");
}

TEST(ConnectionString, RejectsMalformedText) {
    const char* bad[] = {
        "Provider='Jet",          // unbalanced quote
        "Provider=\"Jet",         // unbalanced double quote
        "Driver={SQL Server",     // unbalanced brace
        "Provider=Jet;data source",  // key without '='
        "=value",                  // value without key
        "Password='a'b",           // text after a quoted value
    };
    for (const char* text : bad) {
        try {
            (void)ConnectionString::Parse(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), hr::kInvalidArg) << text;
            EXPECT_NE(e.Description().find("Invalid connection string"), std::string::npos) << text;
        }
    }
}

TEST(Connection, UnknownProviderCannotBeFound) {
    auto connection = ado::CreateConnection();
    try {
        connection->Open("Provider=NoSuch.Provider.1;Data Source=x", "", "", 0);
        FAIL() << "opened";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), hr::kProviderNotFound);
        EXPECT_EQ(e.Description(), "Provider cannot be found. It may not be properly installed.");
    }
    EXPECT_EQ(connection->State(), ado::adStateClosed);
    EXPECT_THROW(connection->Execute("SELECT 1"), _com_error);
}

TEST(Connection, NullConnectionRaisesPointerError) {
    ado::ConnectionPtr none;
    try {
        none->Close();
        FAIL();
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), hr::kPointer);
    }
}

}  // namespace
}  // namespace veltmoor
