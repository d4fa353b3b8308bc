// Entry of the test binaries: GoogleTest with the platform's test machine
// opened around every test by the fixtures in tests/support.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
