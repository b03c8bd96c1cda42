#include "db/ado/Error.h"

#include <cstdio>

namespace veltmoor {

namespace {

struct CodeText {
    HRESULT code;
    const char* text;
};

// Texts as the platform's message table words them, so that an error block reads
// the same to support whichever platform wrote it.
constexpr CodeText kTexts[] = {
    {hr::kFail, "Unspecified error"},
    {hr::kPointer, "Invalid pointer"},
    {hr::kInvalidArg, "The parameter is incorrect."},
    {hr::kOutOfMemory, "Not enough storage is available to complete this operation."},
    {hr::kTypeMismatch, "Type mismatch."},
    {hr::kOverflow, "Out of present range."},
};

}  // namespace

_com_error::_com_error(HRESULT code) : code_(code), hasInfo_(false) {}

_com_error::_com_error(HRESULT code, std::string source, std::string description)
    : code_(code), hasInfo_(true), source_(std::move(source)), description_(std::move(description)) {}

std::optional<std::string> SystemMessageText(HRESULT code) {
    for (const auto& entry : kTexts) {
        if (entry.code == code) return std::string(entry.text);
    }
    return std::nullopt;
}

std::string ErrorCodeText(HRESULT code) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08lx", static_cast<unsigned long>(static_cast<std::uint32_t>(code)));
    return buffer;
}

const std::string& _com_error::ErrorMessage() const {
    if (message_) return *message_;
    if (auto text = SystemMessageText(code_)) {
        std::string t = std::move(*text);
        if (t.size() > 1 && t.back() == '\n') {
            t.pop_back();
            if (!t.empty() && t.back() == '\r') t.pop_back();
        }
        message_ = std::move(t);
        return *message_;
    }
    char buffer[32];
    const auto ucode = static_cast<std::uint32_t>(code_);
    if (ucode >= 0x80040200u && ucode <= 0x8004FFFFu && ucode - 0x80040200u != 0) {
        std::snprintf(buffer, sizeof buffer, "IDispatch error #%d", static_cast<int>(ucode - 0x80040200u));
    } else {
        std::snprintf(buffer, sizeof buffer, "Unknown error 0x%0lX", static_cast<unsigned long>(ucode));
    }
    message_ = buffer;
    return *message_;
}

const char* _com_error::what() const noexcept {
    try {
        what_ = hasInfo_ && !description_.empty() ? description_ : ErrorMessage();
        return what_.c_str();
    } catch (...) {
        return "data-access error";
    }
}

void ThrowPointerError() { throw _com_error(hr::kPointer); }

}  // namespace veltmoor
