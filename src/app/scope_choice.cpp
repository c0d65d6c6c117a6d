#include "app/scope_choice.h"

#include <windows.h>
#include <shellapi.h>

#include "app/command_line.h"
#include "app/the_app.h"
#include "install/install_places.h"
#include "install/journal.h"
#include "install/recovery/transaction_log.h"
#include "install/request/install_request.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

constexpr wchar_t kNotAdministratorVariable[] = L"LUMISCOPE_TEST_NOT_ADMINISTRATOR";

// The options: what follows the program's name, quoted or not.
std::wstring OptionsOf(const std::wstring& commandLine) {
    size_t end = commandLine.find_first_of(L" \t");
    if (!commandLine.empty() && commandLine[0] == L'"') {
        end = commandLine.find(L'"', 1);
        if (end != std::wstring::npos) ++end;
    }
    return end == std::wstring::npos ? std::wstring() : commandLine.substr(end);
}

}  // namespace

bool AsksForScope(bool silent, const std::wstring& commandLine, bool administrator) {
    return !silent && !administrator && commandLine.substr(0, kCommandLineChars).find(L"/scope=") == std::wstring::npos;
}

bool HasAdministratorRights() {
    std::wstring injected;
    if (win::GetEnvironment(kNotAdministratorVariable, injected) && injected == L"1") return false;
    ScopedPlaces machine(MachinePlaces());
    return txn::TransactionLog::CanBeKept();
}

ScopeAnswer AskForScope(const std::wstring& userFolder) {
    const std::wstring text =
        L"Sie haben keine Administratorrechte. Lumiscope kann für Sie allein oder für alle Benutzer installiert "
        L"werden.\n\n"
        L"Ja: für mich allein (im Ordner " + userFolder + L")\n"
        L"Nein: für alle Benutzer (mit Administratorrechten)\n"
        L"Abbrechen: nichts installieren";
    switch (::MessageBoxW(nullptr, text.c_str(), kSetupTitle, MB_YESNOCANCEL | MB_ICONQUESTION)) {
        case IDYES: return ScopeAnswer::User;
        case IDNO: return ScopeAnswer::AllUsers;
        default: return ScopeAnswer::Cancel;
    }
}

int RunElevated(const std::wstring& commandLine) {
    const std::wstring self = win::OwnProgramPath();
    const std::wstring options = OptionsOf(commandLine) + L" /scope=machine";
    SHELLEXECUTEINFOW run = {};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
    run.lpVerb = L"runas";
    run.lpFile = self.c_str();
    run.lpParameters = options.c_str();
    run.nShow = SW_SHOWNORMAL;
    if (self.empty() || !::ShellExecuteExW(&run) || !run.hProcess) {
        Journal().Note(L"setup", win::Format(L"not started with administrator rights (Win32 error %lu)", ::GetLastError()));
        return kExitWizardNotInstalled;
    }
    win::KernelObject process(run.hProcess);
    Journal().Note(L"setup", L"started again with administrator rights, for all users");
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD code = kExitWizardNotInstalled;
    ::GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}
