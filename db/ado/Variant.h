// A small variant value carrying field and property values: empty, null, integer,
// double, boolean or text. Conversions that cannot be made raise _com_error
// (type mismatch), as the caller's conversion of a field value would.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace veltmoor {

class _variant_t {
public:
    enum class Kind { Empty, Null, Integer, Double, Boolean, Text };

    _variant_t() = default;  // empty
    static _variant_t Null();
    _variant_t(int v) : value_(static_cast<std::int64_t>(v)) {}
    _variant_t(std::int64_t v) : value_(v) {}
    _variant_t(double v) : value_(v) {}
    _variant_t(bool v) : value_(v) {}
    _variant_t(std::string v) : value_(std::move(v)) {}
    _variant_t(const char* v) : value_(std::string(v)) {}

    Kind kind() const;
    bool IsEmpty() const { return kind() == Kind::Empty; }
    bool IsNull() const { return kind() == Kind::Null; }
    bool IsEmptyOrNull() const { return IsEmpty() || IsNull(); }

    // Whole number, 32 bits: from integers in range, booleans (-1/0), doubles
    // (rounded) and decimal texts. Empty gives 0; null and anything else raise.
    std::int32_t ToInt32() const;
    // Truth value: from booleans, numbers (non-zero) and the texts "true"/"false".
    bool ToBool() const;
    // Text form: integers in decimal, booleans as "True"/"False", doubles as %g.
    // Empty gives ""; null raises.
    std::string ToString() const;

    std::int64_t AsInteger() const { return std::get<std::int64_t>(value_); }
    double AsDouble() const { return std::get<double>(value_); }
    bool AsBool() const { return std::get<bool>(value_); }
    const std::string& AsText() const { return std::get<std::string>(value_); }

    bool operator==(const _variant_t& other) const { return value_ == other.value_; }

private:
    struct NullTag {
        bool operator==(const NullTag&) const { return true; }
    };
    explicit _variant_t(NullTag t) : value_(t) {}
    std::variant<std::monostate, NullTag, std::int64_t, double, bool, std::string> value_;
};

}  // namespace veltmoor
