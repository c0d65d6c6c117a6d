#include "install/request/folder_rules.h"

#include <algorithm>

#include "install/request/folders.h"
#include "win/text.h"

namespace {

constexpr wchar_t kFallbackFolder[] = L"C:\\Lumiscope\\";
constexpr wchar_t kProductFolder[] = L"Lumiscope";

}  // namespace

void AppendBackslashIfRoom(std::wstring& folder) {
    if (folder.size() <= kMaxPathChars - 1) win::AppendBackslash(folder);
}

std::wstring DriveAndFolder(const std::wstring& path) {
    size_t lastSeparator = path.find_last_of(L"\\/");
    if (lastSeparator != std::wstring::npos) return path.substr(0, lastSeparator + 1);
    if (path.size() >= 2 && path[1] == L':') return path.substr(0, 2);
    return std::wstring();
}

bool IsAbsoluteFolder(const std::wstring& folder) {
    auto isLetter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); };
    if (folder.size() >= 3 && isLetter(folder[0]) && folder[1] == L':' && folder[2] == L'\\') return true;
    if (folder.compare(0, 2, L"\\\\") != 0 || folder.size() < 3) return false;
    const std::wstring server = folder.substr(2, folder.find(L'\\', 2) - 2);
    return !server.empty() && server != L"?" && server != L".";
}

bool LeavesRoomFor(const std::wstring& folder, size_t longestName) {
    std::wstring normalised = folder;
    TrimBlanks(normalised);
    win::AppendBackslash(normalised);
    return normalised.size() + longestName <= kMaxPathChars;
}

std::wstring DefaultFolderFromProgramFiles(const std::wstring* programFiles) {
    // A value that names no place of its own would put the viewer relative to wherever the
    // setup was started.
    if (!programFiles || !IsAbsoluteFolder(*programFiles)) return kFallbackFolder;
    std::wstring folder = *programFiles;
    win::AppendBackslash(folder);
    folder += kProductFolder;
    return folder.size() <= kMaxPathChars ? folder : kFallbackFolder;
}

std::wstring UserDefaultFolder(const std::wstring& userProgramFiles, const std::wstring& localAppData) {
    std::wstring folder = userProgramFiles;
    if (!IsAbsoluteFolder(folder)) {
        if (!IsAbsoluteFolder(localAppData)) return std::wstring();
        folder = localAppData;
        win::AppendBackslash(folder);
        folder += L"Programs";
    }
    win::AppendBackslash(folder);
    folder += kProductFolder;
    return folder.size() <= kMaxPathChars ? folder : std::wstring();
}

bool ViewerFolderFromOpenCommand(const std::wstring& command, std::wstring& folder) {
    folder.clear();
    if (command.empty() || command.size() > kMaxPathChars) return false;
    if (command.find(L"lu_scp64.exe") == std::wstring::npos) return false;
    // The first character is taken to be the opening quote, whatever it is.
    size_t end = command.find(L'"', 1);
    std::wstring path = command.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
    folder = DriveAndFolder(path);
    win::AppendBackslash(folder);
    if (IsAbsoluteFolder(folder)) return true;
    folder.clear();  // a folder that names no place of its own counts as no registration
    return false;
}

std::wstring RebuildFolderLevels(const std::wstring& folder, std::vector<std::wstring>& levels) {
    levels.clear();
    std::wstring built;
    size_t start = 0;
    if (folder.compare(0, 2, L"\\\\") == 0) {
        built = L"\\\\";
        start = 2;
    }
    const size_t end = std::min(folder.size(), kMaxPathChars);
    for (size_t i = start; i < end; ++i) {
        if (folder[i] != L'\\') {
            built += folder[i];
            continue;
        }
        TrimBlanks(built);
        levels.push_back(built);
        AppendBackslashIfRoom(built);
    }
    return built;
}
