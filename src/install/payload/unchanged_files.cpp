#include "install/payload/unchanged_files.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

#include "libdeflate.h"
#include "win/thread_pool.h"

namespace {

constexpr unsigned kMostWorkers = 8;
constexpr size_t kReadBytes = 256 * 1024;

struct Work {
    std::vector<UnchangedFiles::Candidate>* candidates;
    std::vector<win::File> handles;
    std::atomic<size_t> next{0};
};

bool HoldsEntry(HANDLE file, const zip::Entry& entry, std::vector<unsigned char>& buffer) {
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(file, &size) || static_cast<uint64_t>(size.QuadPart) != entry.size) return false;
    uint64_t total = 0;
    uint32_t crc = 0;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return false;
        if (got == 0) break;
        total += got;
        crc = libdeflate_crc32(crc, buffer.data(), got);
    }
    return total == entry.size && crc == entry.crc;
}

// Writes are refused from the open on; what is read afterwards is what stays.
win::File OpenUnchanged(const UnchangedFiles::Candidate& c, std::vector<unsigned char>& buffer) {
    DWORD error = 0;
    win::File file = c.folder->OpenFile(c.name, GENERIC_READ, FILE_SHARE_READ, error);
    if (!file || !HoldsEntry(file.get(), *c.entry, buffer)) return win::File();
    return file;
}

void CheckWork(void* context) {
    auto& work = *static_cast<Work*>(context);
    std::vector<unsigned char> buffer(kReadBytes);
    for (size_t k; (k = work.next++) < work.handles.size();)
        work.handles[k] = OpenUnchanged((*work.candidates)[k], buffer);
}

void NoTick(void*) {}

}  // namespace

void UnchangedFiles::Check(std::vector<Candidate>& candidates) {
    Work work;
    work.candidates = &candidates;
    work.handles.resize(candidates.size());
    const unsigned workers =
        std::min<unsigned>({win::ProcessorCount(), kMostWorkers, static_cast<unsigned>(candidates.size())});
    if (workers) win::RunOnThreads(workers, CheckWork, NoTick, &work, INFINITE);
    for (size_t k = 0; k < candidates.size(); ++k) {
        candidates[k].same = static_cast<bool>(work.handles[k]);
        if (candidates[k].same) m_held.push_back(std::move(work.handles[k]));
    }
}

void UnchangedFiles::HoldUntilExit() {
    static auto* const untilExit = new std::vector<win::File>();  // never freed: the process's end closes them
    for (win::File& file : m_held) untilExit->push_back(std::move(file));
    m_held.clear();
}
