// The C++ runtime support of the setup, which is compiled without exceptions and catches
// none. Whatever the library would throw (memory exhausted, a string beyond its maximum
// length) and every failed check of the library ends the process here, as an exception that
// nobody catches would. Without these definitions the library's throwing versions would bring
// the exception runtime, its name demangler and a threads library into the program, about
// half of its code.
//
// The process ends without abort(), whose runtime shows a message box in a program with
// windows: a silent installation must never wait for someone to close a box. The exit code
// says that the setup failed (see the README).
//
// Only the executable links this file; the test programs keep the library's own versions.
// "multiple definition of std::__throw_..." at link time means new code calls a library
// function that throws something not listed here: add it below.
#include <windows.h>

#include <cstdlib>
#include <new>

#include "app/the_app.h"

namespace {

[[noreturn]] void EndOnFault() {
    ::TerminateProcess(::GetCurrentProcess(), kExitInternalFault);
    for (;;) ::Sleep(INFINITE);  // TerminateProcess does not return for the calling process
}

}  // namespace

void* operator new(std::size_t size) {
    if (void* block = std::malloc(size ? size : 1)) return block;
    EndOnFault();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size ? size : 1); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace std {

void __throw_bad_alloc() { EndOnFault(); }
void __throw_bad_array_new_length() { EndOnFault(); }
void __throw_bad_function_call() { EndOnFault(); }
void __throw_length_error(const char*) { EndOnFault(); }
void __throw_logic_error(const char*) { EndOnFault(); }
void __throw_out_of_range(const char*) { EndOnFault(); }
void __throw_out_of_range_fmt(const char*, ...) { EndOnFault(); }
void __throw_invalid_argument(const char*) { EndOnFault(); }
// Called without texts (see src/win/library_checks.h).
void __glibcxx_assert_fail(const char*, int, const char*, const char*) noexcept { EndOnFault(); }

}  // namespace std
