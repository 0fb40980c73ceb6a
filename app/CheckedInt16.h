#pragma once

#include "platform/forms.h"

#include <cstdint>

// 16-bit integer arithmetic that traps overflow instead of wrapping: the caller's variable is
// assigned only when the result fits.
inline std::int16_t addChecked(std::int16_t value, int delta) {
    std::int16_t result;
    if (__builtin_add_overflow(value, delta, &result))
        forms::raiseOverflow();
    return result;
}
