#pragma once
// Included before anything else in the setup's own code (see CMakeLists.txt). The C++
// library's checks of strings and containers stay on, but a failed check no longer carries
// the file, the function and the condition as texts into the program (some 13 KB of names):
// the setup cannot show them to anyone anyway, it only ends (src/app/no_exceptions.cpp).
#include <bits/c++config.h>

#ifdef _GLIBCXX_ASSERTIONS
#undef __glibcxx_assert_impl
#define __glibcxx_assert_impl(_Condition)                       \
    if (__builtin_expect(!bool(_Condition), false)) {          \
        __glibcxx_constexpr_assert(false);                      \
        std::__glibcxx_assert_fail(nullptr, 0, nullptr, nullptr); \
    }
#endif
