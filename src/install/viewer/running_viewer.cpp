#include "install/viewer/running_viewer.h"

#include <algorithm>
#include <cwchar>

#include "install/request/install_request.h"
#include "install/viewer/viewer_rules.h"
#include "win/desktop_shell.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace viewer {
namespace {

// One top-level window that is asked to close.
struct Asked {
    HWND window = nullptr;
    DWORD process = 0;
    bool viewerClass = false;
    std::wstring file;  // what its title says it has open
};

// The viewer processes of this session and the windows to ask.
struct Found {
    std::vector<win::RunningProgram> programs;
    std::vector<Asked> windows;
};

bool HasViewerClass(HWND window) {
    wchar_t name[64] = {};
    return ::GetClassNameW(window, name, 64) > 0 && _wcsicmp(name, kViewerWindowClass) == 0;
}

std::wstring TitleOf(HWND window) {
    wchar_t title[1024] = {};
    ::GetWindowTextW(window, title, 1024);
    return title;
}

bool IsViewerProcess(const Found& found, DWORD id) {
    return std::any_of(found.programs.begin(), found.programs.end(),
                       [id](const win::RunningProgram& p) { return p.id == id; });
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<Found*>(param);
    Asked asked;
    asked.window = window;
    ::GetWindowThreadProcessId(window, &asked.process);
    asked.viewerClass = HasViewerClass(window);
    // A viewer process's hidden helper windows (input methods, say) are not the viewer's to ask.
    const bool ask = asked.viewerClass || (IsViewerProcess(*found, asked.process) && ::IsWindowVisible(window));
    if (asked.process == ::GetCurrentProcessId() || !ask) return TRUE;
    if (asked.viewerClass) asked.file = OpenFileFromTitle(TitleOf(window));
    found->windows.push_back(asked);
    return TRUE;
}

std::wstring Describe(const win::RunningProgram& program) {
    return win::Format(L"process %lu (%s)", static_cast<unsigned long>(program.id), program.image.c_str());
}

std::wstring Describe(const Asked& asked) {
    return win::Format(L"window %p of process %lu", static_cast<void*>(asked.window),
                       static_cast<unsigned long>(asked.process)) +
           (asked.viewerClass ? L", class \"Lumiscope\"" : L"") + (asked.file.empty() ? L"" : L", open: " + asked.file);
}

// Every viewer process must be in this session and have a window to ask; else nobody is asked.
bool CanAskAll(const Found& found, const Note& note) {
    DWORD session = 0;
    const bool known = ::ProcessIdToSessionId(::GetCurrentProcessId(), &session) != FALSE;
    for (const win::RunningProgram& program : found.programs) {
        if (!known || !program.sessionKnown || program.session != session) {
            note(L"the viewer runs in another session, where it cannot be asked to close: " + Describe(program));
            return false;
        }
        const bool hasWindow = std::any_of(found.windows.begin(), found.windows.end(),
                                           [&](const Asked& asked) { return asked.process == program.id; });
        if (!hasWindow) {
            note(L"the viewer has no window to ask to close: " + Describe(program));
            return false;
        }
    }
    return true;
}

DWORD Remaining(ULONGLONG deadline) {
    const ULONGLONG now = ::GetTickCount64();
    return now >= deadline ? 1 : static_cast<DWORD>(deadline - now);
}

// The session-end query to every window; a window gone meanwhile has agreed. On a refusal
// the ones that agreed are told that the session does not end after all.
bool AskAll(const std::vector<Asked>& windows, ULONGLONG deadline, const Note& note) {
    for (size_t i = 0; i < windows.size(); ++i) {
        DWORD_PTR answer = 0;
        const bool answered = ::SendMessageTimeoutW(windows[i].window, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP,
                                                    SMTO_ABORTIFHUNG, Remaining(deadline), &answer) != 0;
        if ((answered && answer) || !::IsWindow(windows[i].window)) {
            note(L"asked to close, agreed: " + Describe(windows[i]));
            continue;
        }
        note((answered ? L"asked to close, refused: " : L"asked to close, no answer: ") + Describe(windows[i]));
        for (size_t j = 0; j < i; ++j)
            ::SendMessageTimeoutW(windows[j].window, WM_ENDSESSION, FALSE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG, 1000,
                                  &answer);
        return false;
    }
    return true;
}

void EndAll(const std::vector<Asked>& windows, ULONGLONG deadline) {
    for (const Asked& asked : windows) {
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(asked.window, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG,
                              Remaining(deadline), &ignored);
        ::PostMessageW(asked.window, WM_CLOSE, 0, 0);
    }
}

// A process that cannot be opened any more has ended; the caller looks again afterwards.
bool HasEnded(HANDLE process) { return !process || ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

// Waits until every window is gone and every viewer process has ended, or the deadline.
bool WaitForAll(const Found& found, ULONGLONG deadline, const Note& note) {
    std::vector<win::KernelObject> processes;
    for (const win::RunningProgram& program : found.programs)
        processes.emplace_back(::OpenProcess(SYNCHRONIZE, FALSE, program.id));
    for (;;) {
        size_t open = 0;
        for (const Asked& asked : found.windows) open += ::IsWindow(asked.window) ? 1 : 0;
        size_t running = 0;
        for (const win::KernelObject& process : processes) running += HasEnded(process.get()) ? 0 : 1;
        if (open == 0 && running == 0) return true;
        if (::GetTickCount64() >= deadline) {
            note(win::Format(L"not closed in time: %lu window(s), %lu process(es) still there",
                             static_cast<unsigned long>(open), static_cast<unsigned long>(running)));
            return false;
        }
        ::Sleep(20);
    }
}

// One start for each closed window of the viewer's class with the file it had open, and one
// without a file for a closed viewer process that had no such window; the same one once.
std::vector<std::wstring> WhatToReopen(const Found& found) {
    std::vector<std::wstring> reopen;
    auto add = [&reopen](const std::wstring& file) {
        if (std::find(reopen.begin(), reopen.end(), file) == reopen.end()) reopen.push_back(file);
    };
    for (const Asked& asked : found.windows)
        if (asked.viewerClass && !::IsWindow(asked.window)) add(asked.file);
    for (const win::RunningProgram& program : found.programs) {
        const bool classWindow = std::any_of(found.windows.begin(), found.windows.end(), [&](const Asked& asked) {
            return asked.process == program.id && asked.viewerClass;
        });
        if (!classWindow) add(std::wstring());
    }
    return reopen;
}

}  // namespace

win::RunningProgram FindRunning(const Place& place) {
    if (place.folder.empty()) return {};
    const std::wstring folder = win::FinalPathOrAsGiven(place.folder);
    for (const win::RunningProgram& program : win::RunningPrograms())
        if (IsViewerImage(program.image, folder, place.names)) return program;
    return {};
}

bool CloseRunning(const Place& place, DWORD timeoutMs, const Note& note, std::vector<std::wstring>& reopen) {
    Found found;
    if (!place.folder.empty()) {
        const std::wstring folder = win::FinalPathOrAsGiven(place.folder);
        for (const win::RunningProgram& program : win::RunningPrograms())
            if (IsViewerImage(program.image, folder, place.names)) found.programs.push_back(program);
    }
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&found));
    if (found.windows.empty() && found.programs.empty()) {
        note(L"no viewer runs: nothing to close");
        return true;
    }
    if (!CanAskAll(found, note)) return false;
    note(win::Format(L"asking the viewer to close (at most %lu ms): %lu window(s), %lu process(es) from the folder",
                     static_cast<unsigned long>(timeoutMs), static_cast<unsigned long>(found.windows.size()),
                     static_cast<unsigned long>(found.programs.size())));
    const ULONGLONG start = ::GetTickCount64();
    const ULONGLONG deadline = start + timeoutMs;
    if (!AskAll(found.windows, deadline, note)) return false;
    EndAll(found.windows, deadline);
    const bool closed = WaitForAll(found, deadline, note);
    reopen = WhatToReopen(found);
    if (closed)
        note(win::Format(L"the viewer closed by itself in %lu ms",
                         static_cast<unsigned long>(::GetTickCount64() - start)));
    return closed;
}

void StartAgain(const std::wstring& folder, const std::vector<std::wstring>& reopen, const Note& note) {
    std::wstring base = folder;
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    const std::wstring program = base + kViewerExe;
    for (const std::wstring& file : reopen) {
        const std::wstring parameters = StartParameters(file);
        const bool started = win::OpenAsDesktopUser(program, parameters, base);
        note((started ? L"started again through the desktop shell: " : L"not started again (no desktop shell): ") +
             program + (parameters.empty() ? L"" : L" " + parameters));
    }
}

}  // namespace viewer
