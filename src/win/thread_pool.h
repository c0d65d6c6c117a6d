#pragma once
// Work for every core, on the system's thread pool (no runtime of our own): the same routine
// on a few threads at once, while the calling thread keeps doing small things (telling the
// user how far it got).
#include <windows.h>

namespace win {

// The number of processors the system runs this process on (at least 1).
unsigned ProcessorCount();

// Runs `work(context)` on `threads` threads at once and returns when all have returned; every
// `tickMs` meanwhile, and once at the end, `tick(context)` runs on the calling thread. False
// when the pool cannot be used: `work` then ran once, on the calling thread.
bool RunOnThreads(unsigned threads, void (*work)(void*), void (*tick)(void*), void* context, DWORD tickMs);

}  // namespace win
