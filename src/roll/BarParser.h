#pragma once

#include <cstdint>

namespace rollscribe {

// A roll position (thousandths of an inch, never negative) as an event time: truncated toward
// zero, and saturated at the largest 32-bit value where it does not fit.
std::int32_t EventTimeOf(double position) noexcept;

// The steps-per-inch divisor for a sample rate and a tempo (tempo >= 1): sampleRate * 50 / tempo,
// truncated; 100 when that is below 1; saturated where it exceeds the 32-bit range.
std::int32_t StepsPerInchFor(std::int32_t sampleRate, std::int32_t tempo) noexcept;

}  // namespace rollscribe
