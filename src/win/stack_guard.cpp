// The stack protector's guard and its failure, in place of the compiler's support library,
// which seeds the guard through the system's cryptographic provider: three more libraries
// loaded and the registry read at every start of both programs, before the first line of
// their own code (under Wine about 20 ms of a silent run). The guard is seeded as the
// platform's own compilers seed their stack cookie: from the performance counter and the
// time stamp counter, the time, the process and thread, and where the stack and the image
// lie (both placed at random). Its lowest byte is zero, so that a string copied over it
// cannot also write it back.
//
// This file is compiled without the protector: its constructor changes the guard, which only
// functions that were never entered yet may see.
#include <windows.h>

#include <cstdint>
#include <x86intrin.h>

extern "C" {

uintptr_t __stack_chk_guard = 0x2b992ddfa23249d6ull & ~uintptr_t(0xff);

// A smashed stack must not run more of the program: ended at once, with the status Windows
// gives a program whose stack cookie was overwritten.
[[noreturn]] void __stack_chk_fail() {
    ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(STATUS_STACK_BUFFER_OVERRUN));
    for (;;) ::Sleep(INFINITE);
}

}  // extern "C"

namespace {

uint64_t Mix(uint64_t x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9ull;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebull;
    return x ^ (x >> 31);
}

__attribute__((constructor(101))) void SeedStackGuard() {
    LARGE_INTEGER counter = {};
    ::QueryPerformanceCounter(&counter);
    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    uint64_t seed = Mix(static_cast<uint64_t>(counter.QuadPart) ^ __rdtsc());
    seed = Mix(seed ^ (static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime));
    seed = Mix(seed ^ (static_cast<uint64_t>(::GetCurrentProcessId()) << 32 | ::GetCurrentThreadId()));
    seed = Mix(seed ^ reinterpret_cast<uintptr_t>(&counter) ^ (reinterpret_cast<uintptr_t>(&SeedStackGuard) << 17));
    __stack_chk_guard = seed & ~uintptr_t(0xff);
}

}  // namespace
