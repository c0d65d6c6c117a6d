#include <gtest/gtest.h>

// -municode makes wmain the entry point of every program, the tests included.
int wmain(int argc, wchar_t** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
