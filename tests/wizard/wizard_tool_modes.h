#pragma once
// Copies of wizard_tests.exe under other names act as small tools instead of running tests:
//   lu_scp64.exe, http_recorder.exe  note their start (time, name, command line, parent) in
//                                     launches.txt beside themselves and end at once;
//   wizard_screens.exe                walks the wizard page by page for scripts/screenshots.
#include <string>
#include <vector>

namespace wiztest {

struct Launch {
    unsigned long long createdAt = 0;  // process creation time, 100 ns units
    std::wstring program;              // file name of the copy that was started
    std::wstring commandLine;
    std::wstring parent;               // file name of the program that started it
};

constexpr wchar_t kViewerRecorderName[] = L"lu_scp64.exe";
constexpr wchar_t kHttpRecorderName[] = L"http_recorder.exe";
constexpr wchar_t kLaunchesFileName[] = L"launches.txt";

// The launches noted in `folder`, in order of process creation.
std::vector<Launch> ReadLaunches(const std::wstring& folder);

}  // namespace wiztest
