#include <ctime>

#include <gtest/gtest.h>

#include "random_digit.h"

// The generator's first values from state 0, worked out from
// state = state * 214013 + 2531011 (mod 2^32), r = (state >> 16) & 0x7FFF:
// states 2531011, 505908858, 3539360597, ... give r = 38, 7719, 21238, 2437, 8855, 11797, 8365,
// 32285.
TEST(RandomDigit, YieldsTheGeneratorsDigitsFromAFixedState) {
    SetRandomDigitState(0);
    const double expected[] = {8, 9, 8, 7, 5, 7, 5, 5};
    for (double digit : expected) {
        EXPECT_EQ(RandomDigit(), digit);
    }
}

TEST(RandomDigit, StoresTheStateAfterEachStep) {
    SetRandomDigitState(12345);
    EXPECT_EQ(RandomDigit(), 4.0); // state 2644521496, r = 7584
    EXPECT_EQ(RandomDigitState(), 2644521496u);
    EXPECT_EQ(RandomDigit(), 4.0); // state 1255958651, r = 19164
    EXPECT_EQ(RandomDigit(), 5.0); // state 3837989202, r = 25795
}

TEST(RandomDigit, SeedsFromTheCalendarTimeOnTheFirstCallOnly) {
    EXPECT_FALSE(RandomDigitSeeded());
    uint32_t before = static_cast<uint32_t>(std::time(nullptr));
    double first = RandomDigit();
    uint32_t after = static_cast<uint32_t>(std::time(nullptr));
    EXPECT_TRUE(RandomDigitSeeded());

    bool fromTime = false;
    for (uint32_t seconds = before; seconds <= after; ++seconds) {
        uint32_t state = seconds * 214013u + 2531011u;
        if (RandomDigitState() == state && first == ((state >> 16) & 0x7FFFu) % 10u) {
            fromTime = true;
        }
    }
    EXPECT_TRUE(fromTime);

    // Later calls go on from the state and never take the time again.
    SetRandomDigitState(0);
    EXPECT_EQ(RandomDigit(), 8.0);
    EXPECT_EQ(RandomDigit(), 9.0);
}

TEST(RandomDigit, AlwaysYieldsAWholeDigit) {
    SetRandomDigitState(987654321u);
    int seen[10] = {};
    for (int i = 0; i < 10000; ++i) {
        double digit = RandomDigit();
        ASSERT_GE(digit, 0.0);
        ASSERT_LE(digit, 9.0);
        ASSERT_EQ(digit, static_cast<int>(digit));
        ++seen[static_cast<int>(digit)];
    }
    for (int count : seen) {
        EXPECT_GT(count, 800); // every digit turns up, roughly a tenth of the time
    }
}
