#include "db/ado/odbc/OdbcFetch.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

namespace veltmoor::ado::odbc {

namespace {

enum class Kind { Integer, Double, Bool, Decimal, Text };

struct ColumnReader {
    Kind kind;
    SQLSMALLINT scale;
};

Kind KindOf(SQLSMALLINT sqlType) {
    switch (sqlType) {
        case SQL_INTEGER:
        case SQL_SMALLINT:
        case SQL_TINYINT:
        case SQL_BIGINT: return Kind::Integer;
        case SQL_REAL:
        case SQL_FLOAT:
        case SQL_DOUBLE: return Kind::Double;
        case SQL_BIT: return Kind::Bool;
        case SQL_DECIMAL:
        case SQL_NUMERIC: return Kind::Decimal;
        default: return Kind::Text;
    }
}

// Text in chunks: long values arrive in several calls, each ending in a NUL.
std::optional<std::string> ReadText(const Handle& statement, SQLUSMALLINT column, const std::string& source) {
    std::string value;
    char buffer[4096];
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN rc = Check(SQLGetData(statement.get(), column, SQL_C_CHAR, buffer, sizeof buffer, &indicator),
                                   statement, source, "SQLGetData");
        if (rc == SQL_NO_DATA) break;
        if (indicator == SQL_NULL_DATA) return std::nullopt;
        const bool truncated = indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof buffer);
        value.append(buffer, truncated ? sizeof buffer - 1 : static_cast<size_t>(indicator));
        if (!truncated) break;
    }
    return value;
}

_variant_t ReadDecimal(const std::string& text, SQLSMALLINT scale) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (scale == 0) {
        std::int64_t whole = 0;
        const auto [ptr, ec] = std::from_chars(begin, end, whole);
        if (ec == std::errc() && ptr == end) return _variant_t(whole);
    }
    double number = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, number);
    if (ec == std::errc() && ptr == end) return _variant_t(number);
    return _variant_t(text);  // beyond what a double holds: keep the digits
}

_variant_t ReadValue(const Handle& statement, SQLUSMALLINT column, const ColumnReader& reader,
                     const std::string& source) {
    SQLLEN indicator = 0;
    switch (reader.kind) {
        case Kind::Integer: {
            std::int64_t value = 0;
            Check(SQLGetData(statement.get(), column, SQL_C_SBIGINT, &value, sizeof value, &indicator), statement,
                  source, "SQLGetData");
            return indicator == SQL_NULL_DATA ? _variant_t::Null() : _variant_t(value);
        }
        case Kind::Double: {
            double value = 0;
            Check(SQLGetData(statement.get(), column, SQL_C_DOUBLE, &value, sizeof value, &indicator), statement,
                  source, "SQLGetData");
            return indicator == SQL_NULL_DATA ? _variant_t::Null() : _variant_t(value);
        }
        case Kind::Bool: {
            unsigned char value = 0;
            Check(SQLGetData(statement.get(), column, SQL_C_BIT, &value, sizeof value, &indicator), statement, source,
                  "SQLGetData");
            return indicator == SQL_NULL_DATA ? _variant_t::Null() : _variant_t(value != 0);
        }
        case Kind::Decimal: {
            auto text = ReadText(statement, column, source);
            return text ? ReadDecimal(*text, reader.scale) : _variant_t::Null();
        }
        case Kind::Text: {
            auto text = ReadText(statement, column, source);
            return text ? _variant_t(std::move(*text)) : _variant_t::Null();
        }
    }
    return _variant_t::Null();
}

}  // namespace

ResultTable FetchAll(const Handle& statement, const std::string& source) {
    SQLSMALLINT count = 0;
    Check(SQLNumResultCols(statement.get(), &count), statement, source, "SQLNumResultCols");
    ResultTable table;
    std::vector<ColumnReader> readers;
    for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(count); ++i) {
        std::string name(256, '\0');
        SQLSMALLINT nameLength = 0, sqlType = 0, scale = 0, nullable = 0;
        SQLULEN size = 0;
        Check(SQLDescribeCol(statement.get(), i, reinterpret_cast<SQLCHAR*>(name.data()),
                             static_cast<SQLSMALLINT>(name.size()), &nameLength, &sqlType, &size, &scale, &nullable),
              statement, source, "SQLDescribeCol");
        if (nameLength >= static_cast<SQLSMALLINT>(name.size())) {
            name.assign(static_cast<size_t>(nameLength) + 1, '\0');
            Check(
                SQLDescribeCol(statement.get(), i, reinterpret_cast<SQLCHAR*>(name.data()),
                               static_cast<SQLSMALLINT>(name.size()), &nameLength, &sqlType, &size, &scale, &nullable),
                statement, source, "SQLDescribeCol");
        }
        name.resize(std::min(static_cast<size_t>(nameLength), name.size()));
        table.names.push_back(std::move(name));
        readers.push_back(ColumnReader{KindOf(sqlType), scale});
    }
    for (;;) {
        const SQLRETURN rc = Check(SQLFetch(statement.get()), statement, source, "SQLFetch");
        if (rc == SQL_NO_DATA) break;
        std::vector<_variant_t> row;
        row.reserve(readers.size());
        for (size_t i = 0; i < readers.size(); ++i)
            row.push_back(ReadValue(statement, static_cast<SQLUSMALLINT>(i + 1), readers[i], source));
        table.rows.push_back(std::move(row));
    }
    return table;
}

std::optional<ResultTable> FirstResultSet(const Handle& statement, const std::string& source) {
    std::optional<ResultTable> first;
    for (;;) {
        if (!first) {
            SQLSMALLINT count = 0;
            Check(SQLNumResultCols(statement.get(), &count), statement, source, "SQLNumResultCols");
            if (count > 0) first = FetchAll(statement, source);
        }
        const SQLRETURN rc = SQLMoreResults(statement.get());
        if (rc == SQL_NO_DATA) break;
        if (rc == SQL_ERROR) {
            // A driver without batches has nothing more to say; anything else is
            // the failure of a later statement.
            const auto records = CollectDiagnostics(SQL_HANDLE_STMT, statement.get());
            if (!records.empty() && records.front().state == "IM001") break;
            throw MakeOdbcError(records, source, "SQLMoreResults");
        }
        Check(rc, statement, source, "SQLMoreResults");
    }
    return first;
}

}  // namespace veltmoor::ado::odbc
