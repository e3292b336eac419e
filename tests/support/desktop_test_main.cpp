// main() of the test programs: picks the backend as the desktop program does, from the
// backends a test program carries (the virtual desktop), then runs the tests.
#include <gtest/gtest.h>

#include "vdesk_control.h"

int main(int argc, char** argv) {
    if (!VdeskSelectBackend()) {
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
