// The one error type of the data-access and XML layers (the program's _com_error):
// a status code, the failing component's source and description where it offers
// them, and a message text for the code, worked out once per error object.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <string>

namespace veltmoor {

using HRESULT = std::int32_t;

// Status codes raised by our layers. Values follow the platform's well-known codes
// so that logs read the same as on Windows.
namespace hr {
inline constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005);            // E_FAIL
inline constexpr HRESULT kPointer = static_cast<HRESULT>(0x80004003);         // E_POINTER
inline constexpr HRESULT kInvalidArg = static_cast<HRESULT>(0x80070057);      // E_INVALIDARG
inline constexpr HRESULT kOutOfMemory = static_cast<HRESULT>(0x8007000E);     // E_OUTOFMEMORY
inline constexpr HRESULT kTypeMismatch = static_cast<HRESULT>(0x80020005);    // DISP_E_TYPEMISMATCH
inline constexpr HRESULT kOverflow = static_cast<HRESULT>(0x8002000A);        // DISP_E_OVERFLOW
inline constexpr HRESULT kProviderNotFound = static_cast<HRESULT>(0x800A0E7A);  // adErrProviderNotFound
inline constexpr HRESULT kItemNotFound = static_cast<HRESULT>(0x800A0CC1);      // adErrItemNotFound
inline constexpr HRESULT kObjectClosed = static_cast<HRESULT>(0x800A0E78);      // adErrObjectClosed
inline constexpr HRESULT kObjectOpen = static_cast<HRESULT>(0x800A0E79);        // adErrObjectOpen
inline constexpr HRESULT kNoCurrentRecord = static_cast<HRESULT>(0x800A0BCD);   // adErrNoCurrentRecord
inline constexpr HRESULT kErrorsInCommand = static_cast<HRESULT>(0x80040E14);   // DB_E_ERRORSINCOMMAND
inline constexpr HRESULT kNoTable = static_cast<HRESULT>(0x80040E37);           // DB_E_NOTABLE
inline constexpr HRESULT kIntegrityViolation = static_cast<HRESULT>(0x80040E2F);// DB_E_INTEGRITYVIOLATION
inline constexpr HRESULT kNotSupported = static_cast<HRESULT>(0x80040E53);      // DB_E_NOTSUPPORTED
inline constexpr HRESULT kTimeout = static_cast<HRESULT>(0x80040E31);           // DB_E_ABORTLIMITREACHED
inline constexpr HRESULT kDataSourceFailed = static_cast<HRESULT>(0x80004005);  // the provider could not open
}  // namespace hr

class _com_error : public std::exception {
public:
    // An error without component information (source and description absent).
    explicit _com_error(HRESULT code);
    // An error with the failing component's source and description.
    _com_error(HRESULT code, std::string source, std::string description);

    HRESULT Error() const noexcept { return code_; }
    // The message text for the code: our table, else the two fall-back formats.
    const std::string& ErrorMessage() const;
    bool HasErrorInfo() const noexcept { return hasInfo_; }
    const std::string& Source() const noexcept { return source_; }
    const std::string& Description() const noexcept { return description_; }

    const char* what() const noexcept override;

private:
    HRESULT code_;
    bool hasInfo_;
    std::string source_;
    std::string description_;
    mutable std::optional<std::string> message_;
    mutable std::string what_;
};

// A status code as error reports write it: eight lower-case hexadecimal digits.
std::string ErrorCodeText(HRESULT code);

// Our table of message texts for the codes our layers raise; nothing when unknown.
std::optional<std::string> SystemMessageText(HRESULT code);

// Raises the error for an object that was never created.
[[noreturn]] void ThrowPointerError();

// A recordset asked for a field or a move with no current row: every provider says it so.
[[noreturn]] inline void RaiseNoCurrentRecord(const std::string& source) {
    throw _com_error(hr::kNoCurrentRecord, source,
                     "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a "
                     "current record.");
}

}  // namespace veltmoor
