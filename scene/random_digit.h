// The scene's one source of randomness: a digit 0 to 9 from a 32-bit linear-congruential
// generator seeded once from the calendar time.
#pragma once

#include <cstdint>

// A whole number 0 ... 9, as a floating value so callers can scale it directly.
double RandomDigit(void);

// For tests: sets the generator's state and marks it seeded. The system never calls it.
void SetRandomDigitState(uint32_t state);
// For tests: the generator's state and whether it has been seeded.
uint32_t RandomDigitState(void);
bool RandomDigitSeeded(void);
