// A counted reference to a data-access or XML object. Using one that holds no
// object raises _com_error with E_POINTER, as using an object that was never
// created does; Release() lets go of the object early.
#pragma once

#include <memory>
#include <utility>

#include "db/ado/Error.h"

namespace veltmoor {

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    ComPtr(std::shared_ptr<T> p) : p_(std::move(p)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(const ComPtr<U>& other) : p_(other.shared()) {}

    T* operator->() const {
        if (!p_) ThrowPointerError();
        return p_.get();
    }
    T& operator*() const {
        if (!p_) ThrowPointerError();
        return *p_;
    }
    explicit operator bool() const noexcept { return static_cast<bool>(p_); }
    bool operator==(std::nullptr_t) const noexcept { return !p_; }
    void Release() noexcept { p_.reset(); }
    T* get() const noexcept { return p_.get(); }
    const std::shared_ptr<T>& shared() const noexcept { return p_; }

private:
    std::shared_ptr<T> p_;
};

}  // namespace veltmoor
