// Freshly generated GUIDs name the objects that repairs create. The source is
// injectable so that tests can force the all-zero case.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace veltmoor {

struct Guid {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::array<std::uint8_t, 8> data4{};

    bool IsZero() const {
        if (data1 || data2 || data3) return false;
        for (auto b : data4)
            if (b) return false;
        return true;
    }
};

// Returns a new random GUID (all zero when the generator failed).
using GuidSource = std::function<Guid()>;

}  // namespace veltmoor
