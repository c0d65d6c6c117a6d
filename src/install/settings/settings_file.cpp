#include "install/settings/settings_file.h"

#include <windows.h>

#include "install/request/folder_rules.h"
#include "install/request/folders.h"
#include "install/journal.h"
#include "install/settings/toolbar_skin.h"
#include "install/recovery/replaced_file.h"
#include "win/file_facts.h"
#include "win/safe_file.h"
#include "win/text.h"

namespace {

constexpr wchar_t kIniName[] = L"lu_scp64.ini";
constexpr size_t kVariableValueChars = 259;
constexpr DWORD kSkinChars = 260;

// The system's profile functions change a settings file in place (and would follow a link at
// its name): each file is announced and a copy of it kept before its first change, so that a
// failure can put it back, and one whose name is a link is not touched at all.
// Returns the file, or nothing when it must not be changed.
std::wstring PrepareToChange(const std::wstring& file) {
    const std::wstring why = win::WhyNotPlainFile(file);
    if (!why.empty()) {
        Journal().Failed(phase::kSettings, L"not changed, its name is " + why + L": " + file, 0);
        return std::wstring();
    }
    const bool existed = win::PathExists(file);
    Journal().WillReplaceFiles({{file, existed}});
    DWORD error = 0;
    const bool ready = existed ? txn::KeepCopy(file, error) : static_cast<bool>(win::CreateFreshFile(file));
    if (!ready) {
        Journal().Failed(phase::kSettings, L"not changed, no copy could be kept: " + file, existed ? error : ::GetLastError());
        return std::wstring();
    }
    return file;
}

// A file that was not prepared has no name here and is left alone.
void WriteEntry(const std::wstring& file, const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    if (!file.empty()) ::WritePrivateProfileStringW(section, key, value, file.c_str());
}

bool HasToolbarSkin(const std::wstring& file) {
    if (file.empty()) return true;
    wchar_t skin[kSkinChars + 1] = {};
    ::GetPrivateProfileStringW(L"Toolbar", L"Skin", L"", skin, kSkinChars + 1, file.c_str());
    return skin[0] != L'\0';
}

// Settings files the installation made: the viewer's settings are the user's from now on; a
// program-folder file that only points to them goes with the program.
void ReportCreatedFiles(const std::wstring& programIni, bool programIniExisted, const std::wstring& settingsIni,
                        bool settingsIniExisted) {
    if (!settingsIniExisted && win::PathExists(settingsIni)) Journal().SettingsFileCreated(settingsIni);
    if (programIni != settingsIni && !programIniExisted && win::PathExists(programIni)) Journal().RedirectFileCreated(programIni);
}

// When a silent run into the default program folder brought no settings folder, the
// settings go to the user's application data.
void ApplySilentSettingsRule(InstallRequest& request) {
    if (!request.silent || !request.iniFolder.empty()) return;
    if (request.targetFolder.find(GetDefaultInstallFolder()) != std::wstring::npos)
        request.iniFolder = kAppDataIniFolder;
}

// The settings folder the request names, expanded and made to exist; false when there is
// none, or when it expands to nothing or to more than a path can hold (the settings then
// stay in the program folder instead of going to a cut or relative path).
bool PrepareSettingsFolder(const std::wstring& iniFolder, std::wstring& folder) {
    if (iniFolder.empty() || !ExpandPercentVariables(iniFolder, folder)) return false;
    std::wstring trimmed = folder;
    TrimBlanks(trimmed);
    if (trimmed.empty() || trimmed.size() > kMaxPathChars) return false;
    EnsureFolderExists(folder);  // a folder that cannot be made still gets its redirect
    win::AppendBackslash(folder);
    return true;
}

void WriteLanguage(const std::wstring& settingsIni, const std::wstring& programIni, bool appLayout) {
    WriteEntry(settingsIni, L"Language", L"DLL", L"DEUTSCH.DLL");
    WriteEntry(settingsIni, L"Language", L"Lang", L"Deutsch");
    if (!appLayout) return;
    WriteEntry(programIni, L"Language", L"DefaultLang", L"DEUTSCH.DLL");
    WriteEntry(programIni, L"Language", L"Lang", L"Deutsch");
}

// A skin the user already has stays.
void WriteToolbarSkin(const std::wstring& settingsIni, const std::wstring& programIni, bool appLayout) {
    if (HasToolbarSkin(settingsIni)) return;
    ToolbarSkin skin = ChooseToolbarSkin();
    WriteEntry(settingsIni, L"Toolbar", L"Skin", skin.file);
    WriteEntry(settingsIni, L"Toolbar", L"Size", skin.size);
    if (!appLayout) return;
    WriteEntry(programIni, L"Toolbar", L"Skin", L"Hollmark_24.png");
    WriteEntry(programIni, L"Toolbar", L"Size", L"24");
}

}  // namespace

bool ExpandPercentVariables(const std::wstring& text, std::wstring& expanded, EnvironmentLookup lookup) {
    expanded.clear();
    std::wstring result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'%') {
            result += text[i];
        } else {
            size_t close = text.find(L'%', i + 1);
            size_t end = close == std::wstring::npos ? text.size() : close;
            std::wstring name = text.substr(i + 1, end - i - 1);
            i = end;
            std::wstring value;
            if (!name.empty() && lookup(name, value)) {
                if (value.size() > kVariableValueChars) return false;
                result += value;
            }
        }
        if (result.size() > kExpandedFolderChars) return false;
    }
    expanded = result;
    return true;
}

bool ExpandPercentVariables(const std::wstring& text, std::wstring& expanded) {
    return ExpandPercentVariables(text, expanded, win::GetEnvironment);
}

void FolderOfPath(const std::wstring& path, std::wstring& text) {
    text += DriveAndFolder(path);
    AppendBackslashIfRoom(text);
}

std::wstring ProgramIniPath(const std::wstring& targetFolder) {
    std::wstring folder = targetFolder;
    TrimBlanks(folder);
    win::AppendBackslash(folder);
    return folder + kIniName;
}

bool IsAppFolderLayout(const std::wstring& settingsIni) {
    return settingsIni.find(L"Lumiscope32_App") != std::wstring::npos ||
           settingsIni.find(L"Lumiscope64_App") != std::wstring::npos;
}

std::wstring WriteViewerSettings(InstallRequest& request) {
    const std::wstring programIni = ProgramIniPath(request.targetFolder);
    ApplySilentSettingsRule(request);

    std::wstring settingsFolder;
    const bool redirected = PrepareSettingsFolder(request.iniFolder, settingsFolder);
    const std::wstring settingsIni = redirected ? settingsFolder + kIniName : programIni;
    const bool programIniExisted = win::PathExists(programIni);
    const bool settingsIniExisted = win::PathExists(settingsIni);
    const std::wstring programFile = PrepareToChange(programIni);
    const std::wstring settingsFile = settingsIni == programIni ? programFile : PrepareToChange(settingsIni);
    WriteEntry(programFile, L"Others", L"INI_Folder", redirected ? request.iniFolder.c_str() : nullptr);

    const bool appLayout = redirected && IsAppFolderLayout(settingsIni);
    WriteLanguage(settingsFile, programFile, appLayout);
    WriteToolbarSkin(settingsFile, programFile, appLayout);
    ReportCreatedFiles(programIni, programIniExisted, settingsIni, settingsIniExisted);
    return settingsIni;
}
