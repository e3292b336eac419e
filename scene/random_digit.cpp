#include "random_digit.h"

#include <ctime>

namespace {
bool seeded = false;
uint32_t state = 0;
} // namespace

double RandomDigit(void) {
    if (!seeded) {
        state = static_cast<uint32_t>(std::time(nullptr));
        seeded = true;
    }
    state = state * 214013u + 2531011u; // modulo 2^32 by unsigned wrap-around
    uint32_t r = (state >> 16) & 0x7FFFu;
    return static_cast<double>(r % 10u);
}

void SetRandomDigitState(uint32_t newState) {
    state = newState;
    seeded = true;
}

uint32_t RandomDigitState(void) { return state; }

bool RandomDigitSeeded(void) { return seeded; }
