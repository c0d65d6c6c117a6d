// The benchmark's helper inside Wine (see scripts/bench):
//   bench_tool plan SCRIPT.nsh REGISTRY.tsv OWN.txt OPTIONS...
//                                                        the peer's script, the expected registry
//                                                        and the files only the setup makes
//   bench_tool wizard-start SETUP.exe RUNS               time until the wizard's first page is painted
//   bench_tool process-life PROGRAM.exe RUNS             time a process takes from start to end
//   bench_tool memory COMMAND-LINE                       what GetProcessMemoryInfo reports of a run
//   bench_tool warm-up                                   start the services links need
//   bench_tool hold                                      keep the desktop process up until ended
#include <windows.h>
#include <cstdio>
#include <string>

#include "bench/tool/measure.h"
#include "bench/tool/peer_script.h"
#include "win/unique_handle.h"

namespace {

bool WriteUtf8(const std::wstring& path, const std::wstring& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), n, nullptr, nullptr);
    win::StdioFile file(::_wfopen(path.c_str(), L"wb"));
    return file && std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
}

int Plan(int argc, wchar_t** argv) {
    std::wstring options;
    for (int i = 5; i < argc; ++i) options += std::wstring(i > 5 ? L" " : L"") + argv[i];
    SetupPlan plan = PlanWithoutSettings(SilentRequest(options));
    AddSettingsByWriting(plan);
    std::wstring script, error;
    if (!PeerScript(plan, script, error)) {
        std::fwprintf(stderr, L"bench_tool: %ls\n", error.c_str());
        return 1;
    }
    std::wstring own;
    for (const std::wstring& file : plan.ownFiles) own += file + L"\n";
    return WriteUtf8(argv[2], script) && WriteUtf8(argv[3], ExpectedRegistry(plan.writes)) && WriteUtf8(argv[4], own)
               ? 0
               : 1;
}

int Usage() {
    std::fputs("usage: bench_tool plan SCRIPT REGISTRY OWN OPTIONS... | wizard-start EXE RUNS | "
               "process-life EXE RUNS | memory COMMAND-LINE | warm-up | hold\n", stderr);
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"plan" && argc >= 5) return Plan(argc, argv);
    if (command == L"wizard-start" && argc == 4) return MeasureWizardStart(argv[2], _wtoi(argv[3])) ? 0 : 1;
    if (command == L"process-life" && argc == 4) return MeasureProcessLife(argv[2], _wtoi(argv[3])) ? 0 : 1;
    if (command == L"memory" && argc >= 3) {
        // The command line as this program got it, less its own name and the command.
        const wchar_t* rest = ::GetCommandLineW();
        for (int skip = 0; skip < 2; ++skip) {
            for (bool quoted = false; *rest && (quoted || (*rest != L' ' && *rest != L'\t')); ++rest)
                if (*rest == L'"') quoted = !quoted;
            while (*rest == L' ' || *rest == L'\t') ++rest;
        }
        return MeasureMemory(rest) ? 0 : 1;
    }
    if (command == L"warm-up" && argc == 2) return WarmUpShellLinks() ? 0 : 1;
    if (command == L"hold" && argc == 2) {
        HoldDesktop();
        return 0;
    }
    return Usage();
}
