#include "install/settings/settings_file.h"

#include <windows.h>

#include "install/request/folder_rules.h"
#include "install/request/folders.h"
#include "install/journal.h"
#include "install/settings/ini_text.h"
#include "install/settings/settings_io.h"
#include "install/settings/toolbar_skin.h"
#include "install/recovery/replaced_file.h"
#include "install/user_places.h"
#include "win/file_facts.h"
#include "win/text.h"

namespace {

constexpr wchar_t kIniName[] = L"lu_scp64.ini";
constexpr size_t kVariableValueChars = 259;

// A settings file being changed: read once through the handle of its folder (which must be
// reached as named, the file no link), changed in memory, and put in place once by a rename
// that keeps the old file as its backup, so that a failure can put it back. One that must
// not be changed is not ready and is left alone.
struct SettingsEdit {
    SettingsPlace place;
    std::wstring text;
    IniEncoding encoding = IniEncoding::Ansi;
    bool ready = false;
    bool existed = false;
};

void Prepare(const std::wstring& file, SettingsEdit& edit) {
    DWORD error = 0;
    std::string bytes;
    if (!OpenSettingsPlace(file, edit.place, error) || !ReadSettingsBytes(edit.place, bytes, edit.existed, error)) {
        Journal().Failed(phase::kSettings,
                         (error == ERROR_CANT_ACCESS_FILE ? L"not changed, it or its folder is a link: " : L"not changed: ") + file,
                         error);
        return;
    }
    edit.encoding = edit.existed ? DetectIniEncoding(bytes) : IniEncoding::Ansi;
    edit.text = DecodeSettingsText(bytes, edit.encoding);
    edit.ready = true;
}

// True when the file is in place with its changes.
bool Save(const SettingsEdit& edit) {
    if (!edit.ready) return false;
    Journal().WillReplaceFiles({{edit.place.path, edit.existed}});
    DWORD error = 0;
    const win::File staged = WriteBeside(edit.place, edit.place.name + txn::kStagedSuffix,
                                         EncodeSettingsText(edit.text, edit.encoding), error);
    if (staged && txn::PutInPlace(edit.place.folder, edit.place.path, staged.get(), error)) return true;
    Journal().Failed(phase::kSettings, L"not written: " + edit.place.path, error);
    return false;
}

void WriteEntry(SettingsEdit& edit, const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    if (edit.ready) SetIniValue(edit.text, section, key, value);
}

bool HasToolbarSkin(const SettingsEdit& edit) {
    return !edit.ready || !IniValue(edit.text, L"Toolbar", L"Skin").empty();
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
// stay in the program folder instead of going to a cut or relative path). A folder named
// through the user's environment is the user's: it is made and written (`usable`) only where
// the desktop's user could do so himself, and keeps its redirect either way, as one that
// cannot be made does.
bool PrepareSettingsFolder(const std::wstring& iniFolder, std::wstring& folder, bool& usable) {
    usable = false;
    if (iniFolder.empty() || !ExpandPercentVariables(iniFolder, folder)) return false;
    std::wstring trimmed = folder;
    TrimBlanks(trimmed);
    if (trimmed.empty() || trimmed.size() > kMaxPathChars) return false;
    usable = !NamesUserPlace(iniFolder) || UserCouldMake(trimmed, phase::kSettings);
    if (usable)
        EnsureFolderExists(folder);
    else
        folder = trimmed;
    win::AppendBackslash(folder);
    return true;
}

void WriteLanguage(SettingsEdit& settingsIni, SettingsEdit& programIni, bool appLayout) {
    WriteEntry(settingsIni, L"Language", L"DLL", L"DEUTSCH.DLL");
    WriteEntry(settingsIni, L"Language", L"Lang", L"Deutsch");
    if (!appLayout) return;
    WriteEntry(programIni, L"Language", L"DefaultLang", L"DEUTSCH.DLL");
    WriteEntry(programIni, L"Language", L"Lang", L"Deutsch");
}

// A skin the user already has stays.
void WriteToolbarSkin(SettingsEdit& settingsIni, SettingsEdit& programIni, bool appLayout) {
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
    bool usable = false;
    const bool redirected = PrepareSettingsFolder(request.iniFolder, settingsFolder, usable);
    const std::wstring settingsIni = redirected ? settingsFolder + kIniName : programIni;
    SettingsEdit programFile, otherFile;
    Prepare(programIni, programFile);
    if (settingsIni != programIni && usable) Prepare(settingsIni, otherFile);
    SettingsEdit& settingsFile = settingsIni == programIni ? programFile : otherFile;
    WriteEntry(programFile, L"Others", L"INI_Folder", redirected ? request.iniFolder.c_str() : nullptr);

    const bool appLayout = redirected && IsAppFolderLayout(settingsIni);
    WriteLanguage(settingsFile, programFile, appLayout);
    WriteToolbarSkin(settingsFile, programFile, appLayout);
    // Settings files the installation made: the viewer's settings are the user's from now on; a
    // program-folder file that only points to them goes with the program.
    if (Save(programFile) && !programFile.existed)
        settingsIni == programIni ? Journal().SettingsFileCreated(programIni) : Journal().RedirectFileCreated(programIni);
    if (settingsIni != programIni && Save(otherFile) && !otherFile.existed) Journal().SettingsFileCreated(settingsIni);
    return settingsIni;
}
