#include "wizard_tool_modes.h"

#include <windows.h>
#include <tlhelp32.h>

#include <fstream>
#include <sstream>
#include <algorithm>
#include <filesystem>

#include "resources/resource_ids.h"
#include "win/unique_handle.h"
#include "wizard/wiz_sheet.h"
#include "wizard_driver.h"

namespace wiztest {
namespace {

std::wstring ModulePath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::string ToUtf8(const std::wstring& text) {
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    int n = ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

// The file name of the process that started this one (empty when it is gone).
std::wstring ParentProgram() {
    win::KernelObject snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return L"";
    auto find = [&](auto match) {
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more; more = ::Process32NextW(snapshot.get(), &entry))
            if (match(entry)) return entry;
        return PROCESSENTRY32W{};
    };
    const DWORD parent = find([](const PROCESSENTRY32W& e) { return e.th32ProcessID == ::GetCurrentProcessId(); })
                             .th32ParentProcessID;
    if (!parent) return L"";
    return find([parent](const PROCESSENTRY32W& e) { return e.th32ProcessID == parent; }).szExeFile;
}

// Appends one line; the two recorders may start at the same moment, so a locked file is retried.
int RecordLaunch(const std::filesystem::path& exe) {
    FILETIME created{}, ignored{};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &ignored, &ignored, &ignored);
    unsigned long long time = (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    std::string line = std::to_string(time) + "\t" + ToUtf8(exe.filename().wstring()) + "\t" +
                       ToUtf8(::GetCommandLineW()) + "\t" + ToUtf8(ParentProgram()) + "\n";
    std::wstring file = (exe.parent_path() / kLaunchesFileName).wstring();
    for (int attempt = 0; attempt < 500; ++attempt) {
        HANDLE h = ::CreateFileW(file.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ::WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            ::CloseHandle(h);
            return 0;
        }
        ::Sleep(10);
    }
    return 1;
}

bool WaitForFile(const std::filesystem::path& file) {
    for (int i = 0; i < 6000; ++i) {
        if (std::filesystem::exists(file)) return true;
        ::Sleep(20);
    }
    return false;
}

// Shows each page in turn and waits for the screenshot script: "page<N>.ready" holds the
// sheet's screen rectangle, and the script answers with "page<N>.done".
int WalkForScreenshots(const std::filesystem::path& folder) {
    TheWizardSheet().m_pfnInstall = [](InstallRequest&) { return 1; };
    WizardDriver driver;
    if (!driver.WaitUntilShown()) return 2;
    for (int page = 0; page <= 4; ++page) {
        if (page > 0) driver.Click(driver.Button(kIdWizNext));
        if (driver.ActivePage() != page) return 3;
        driver.Sync();
        RECT rect{};
        ::GetWindowRect(driver.Sheet(), &rect);
        std::string name = "page" + std::to_string(page);
        std::ofstream(folder / (name + ".tmp")) << rect.left << ' ' << rect.top << ' ' << rect.right - rect.left << ' '
                                                << rect.bottom - rect.top << '\n';
        std::filesystem::rename(folder / (name + ".tmp"), folder / (name + ".ready"));
        if (!WaitForFile(folder / (name + ".done"))) return 4;
    }
    for (int id : {IDC_SHOW_FAQ, IDC_START_VIEWER})
        if (WizardDriver::Checked(driver.Item(4, id))) driver.Click(driver.Item(4, id));
    driver.ClickOpeningBox(driver.Button(IDCANCEL));
    return driver.WaitForEnd() ? 0 : 5;
}

bool SameName(const std::filesystem::path& exe, const wchar_t* name) {
    return _wcsicmp(exe.filename().c_str(), name) == 0;
}

// Runs before main: a renamed copy does its tool's work and ends without running tests.
int RunToolModeIfCopied() {
    std::filesystem::path exe = ModulePath();
    if (SameName(exe, kViewerRecorderName) || SameName(exe, kHttpRecorderName)) ::ExitProcess(RecordLaunch(exe));
    if (SameName(exe, L"wizard_screens.exe")) {
        wchar_t folder[MAX_PATH] = {};
        ::GetEnvironmentVariableW(L"LUMI_SCREENS_DIR", folder, MAX_PATH);
        ::ExitProcess(folder[0] ? WalkForScreenshots(folder) : 1);
    }
    return 0;
}

[[maybe_unused]] const int g_toolMode = RunToolModeIfCopied();

}  // namespace

std::vector<Launch> ReadLaunches(const std::wstring& folder) {
    std::vector<Launch> launches;
    std::ifstream file(std::filesystem::path(folder) / kLaunchesFileName);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string time, program, commandLine, parent;
        std::getline(fields, time, '\t');
        std::getline(fields, program, '\t');
        std::getline(fields, commandLine, '\t');
        std::getline(fields, parent);
        launches.push_back({std::stoull(time), FromUtf8(program), FromUtf8(commandLine), FromUtf8(parent)});
    }
    std::sort(launches.begin(), launches.end(),
              [](const Launch& a, const Launch& b) { return a.createdAt < b.createdAt; });
    return launches;
}

}  // namespace wiztest
