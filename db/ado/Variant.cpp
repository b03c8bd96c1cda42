#include "db/ado/Variant.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "base/CString.h"
#include "db/ado/Error.h"

namespace veltmoor {

_variant_t _variant_t::Null() { return _variant_t(NullTag{}); }

_variant_t::Kind _variant_t::kind() const { return static_cast<Kind>(value_.index()); }

namespace {
std::int32_t Narrow(std::int64_t v) {
    if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
        throw _com_error(hr::kOverflow);
    return static_cast<std::int32_t>(v);
}
}  // namespace

std::int32_t _variant_t::ToInt32() const {
    switch (kind()) {
        case Kind::Empty: return 0;
        case Kind::Null: throw _com_error(hr::kTypeMismatch);
        case Kind::Integer: return Narrow(AsInteger());
        case Kind::Boolean: return AsBool() ? -1 : 0;
        case Kind::Double: {
            const double d = std::nearbyint(AsDouble());
            if (!(d >= std::numeric_limits<std::int32_t>::min() && d <= std::numeric_limits<std::int32_t>::max()))
                throw _com_error(hr::kOverflow);
            return static_cast<std::int32_t>(d);
        }
        case Kind::Text: {
            const std::string& t = AsText();
            const char* begin = t.c_str();
            char* end = nullptr;
            errno = 0;
            const double d = std::strtod(begin, &end);
            while (end && *end == ' ') ++end;
            if (end == begin || (end && *end != '\0')) throw _com_error(hr::kTypeMismatch);
            if (errno == ERANGE) throw _com_error(hr::kOverflow);
            return _variant_t(d).ToInt32();
        }
    }
    throw _com_error(hr::kTypeMismatch);
}

bool _variant_t::ToBool() const {
    switch (kind()) {
        case Kind::Empty: return false;
        case Kind::Null: throw _com_error(hr::kTypeMismatch);
        case Kind::Integer: return AsInteger() != 0;
        case Kind::Boolean: return AsBool();
        case Kind::Double: return AsDouble() != 0.0;
        case Kind::Text:
            if (EqualsNoCase(AsText(), "true")) return true;
            if (EqualsNoCase(AsText(), "false")) return false;
            return ToInt32() != 0;
    }
    throw _com_error(hr::kTypeMismatch);
}

std::string _variant_t::ToString() const {
    switch (kind()) {
        case Kind::Empty: return {};
        case Kind::Null: throw _com_error(hr::kTypeMismatch);
        case Kind::Integer: return std::to_string(AsInteger());
        case Kind::Boolean: return AsBool() ? "True" : "False";
        case Kind::Double: {
            char buffer[40];
            std::snprintf(buffer, sizeof buffer, "%.15g", AsDouble());
            return buffer;
        }
        case Kind::Text: return AsText();
    }
    throw _com_error(hr::kTypeMismatch);
}

}  // namespace veltmoor
