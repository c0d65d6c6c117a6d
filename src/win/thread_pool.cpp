#include "win/thread_pool.h"

#include "win/unique_handle.h"

namespace win {
namespace {

struct Run {
    void (*work)(void*);
    void* context;
    volatile LONG left;
    HANDLE done;
};

VOID CALLBACK RunWork(PTP_CALLBACK_INSTANCE, PVOID parameter, PTP_WORK) {
    auto* run = static_cast<Run*>(parameter);
    run->work(run->context);
    if (::InterlockedDecrement(&run->left) == 0) ::SetEvent(run->done);
}

}  // namespace

unsigned ProcessorCount() {
    SYSTEM_INFO info;
    ::GetSystemInfo(&info);
    return info.dwNumberOfProcessors ? info.dwNumberOfProcessors : 1;
}

bool RunOnThreads(unsigned threads, void (*work)(void*), void (*tick)(void*), void* context, DWORD tickMs) {
    KernelObject done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    Run run{work, context, static_cast<LONG>(threads), done.get()};
    PTP_WORK pool = done && threads ? ::CreateThreadpoolWork(RunWork, &run, nullptr) : nullptr;
    if (!pool) {
        work(context);
        tick(context);
        return false;
    }
    for (unsigned i = 0; i < threads; ++i) ::SubmitThreadpoolWork(pool);
    while (::WaitForSingleObject(done.get(), tickMs) == WAIT_TIMEOUT) tick(context);
    ::WaitForThreadpoolWorkCallbacks(pool, FALSE);
    ::CloseThreadpoolWork(pool);
    tick(context);
    return true;
}

}  // namespace win
