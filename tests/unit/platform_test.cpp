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

extern "C" uintptr_t __stack_chk_guard;

// Seeded before main, with the zero byte that stops a string copy from restoring it.
TEST(StackGuard, IsSeededBeforeMain) {
    EXPECT_NE(__stack_chk_guard, 0x2b992ddfa2324900ull);
    EXPECT_NE(__stack_chk_guard, 0u);
    EXPECT_EQ(__stack_chk_guard & 0xff, 0u);
}
