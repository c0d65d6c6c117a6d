#include <gtest/gtest.h>

#include "win/platform.h"

TEST(VersionClass, MajorTenSplitsAtBuild22000) {
    EXPECT_EQ(VersionClassFromNumbers(10, 19045), 10);
    EXPECT_EQ(VersionClassFromNumbers(10, 21999), 10);
    EXPECT_EQ(VersionClassFromNumbers(10, 22000), 11);
    EXPECT_EQ(VersionClassFromNumbers(10, 22631), 11);
}

TEST(VersionClass, IsComputedOnceAndShared) {
    SetWindowsVersionClassForTesting(8);
    EXPECT_EQ(GetWindowsVersionClass(), 8);
    SetWindowsVersionClassForTesting(0);
    int computed = GetWindowsVersionClass();
    EXPECT_NE(computed, 0);
    EXPECT_EQ(GetWindowsVersionClass(), computed);
}
