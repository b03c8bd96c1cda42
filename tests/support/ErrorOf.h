// The error a call raises, for tests of the data-access layer's failures.
#pragma once

#include "db/ado/Error.h"

namespace veltmoor::test {

// What f raises; an error with code 0 and no description when it raises nothing.
template <class F>
_com_error ErrorOf(F&& f) {
    try {
        f();
    } catch (const _com_error& e) {
        return e;
    }
    return _com_error(0);
}

}  // namespace veltmoor::test
