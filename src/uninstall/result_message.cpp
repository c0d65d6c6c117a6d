#include "uninstall/result_message.h"

#include "win/path_text.h"

namespace undo {
namespace {

const wchar_t* Reason(Verdict verdict) {
    switch (verdict) {
        case Verdict::Changed: return L"verändert";
        case Verdict::InUse: return L"in Benutzung";
        default: return L"nicht entfernbar";
    }
}

std::wstring ShortName(const Step& step, const std::wstring& programFolder) {
    const std::wstring folder = win::WithoutTrailingBackslash(programFolder) + L"\\";
    std::wstring name = win::StartsWithNoCase(step.name, folder) ? step.name.substr(folder.size()) : step.name;
    if (step.item == Item::Value) name += step.valueName.empty() ? L" (Standard)" : L"\\" + step.valueName;
    return name;
}

// The user's own files in the program folder stay with it; they are named, not kept against.
std::wstring LeftUserFiles(const std::vector<Step>& steps, const std::wstring& programFolder) {
    std::wstring text;
    size_t left = 0;
    for (const Step& step : steps) {
        if (step.verdict != Verdict::Added) continue;
        if (++left <= kListedItems) text += L"\n\u2022 " + ShortName(step, programFolder);
    }
    if (left > kListedItems) text += L"\n\u2022 und " + std::to_wstring(left - kListedItems) + L" weitere";
    return left ? L"\n\nNicht von der Installation und daher im Programmordner belassen:" + text : std::wstring();
}

std::wstring KeptSettings(const std::vector<Step>& steps) {
    for (const Step& step : steps)
        if (step.verdict == Verdict::KeptByChoice && step.item == Item::Settings)
            return L"\n\nIhre persönlichen Einstellungen wurden behalten:\n" + step.name;
    return std::wstring();
}

}  // namespace

std::wstring ResultMessage(const std::vector<Step>& steps, const std::wstring& programFolder,
                           const std::wstring& logPath) {
    if (!AnyKept(steps)) {
        std::wstring text = std::wstring(kProductTitle) + L" wurde vollständig entfernt." + KeptSettings(steps) +
                            LeftUserFiles(steps, programFolder);
        for (const Step& step : steps)
            if (step.verdict == Verdict::Scheduled)
                return text + L"\n\nDie letzten Dateien werden beim nächsten Neustart entfernt.";
        return text;
    }
    std::wstring text = std::wstring(kProductTitle) + L" wurde entfernt, diese Elemente wurden jedoch behalten:\n";
    size_t kept = 0;
    for (const Step& step : steps) {
        if (!IsKept(step.verdict)) continue;
        if (++kept <= kListedItems) text += L"\n\u2022 " + ShortName(step, programFolder) + L" (" + Reason(step.verdict) + L")";
    }
    if (kept > kListedItems) text += L"\n\u2022 und " + std::to_wstring(kept - kListedItems) + L" weitere";
    text += L"\n\nDer Eintrag in der Programmliste bleibt erhalten: Beheben Sie die Ursache (zum Beispiel "
            L"Programme schließen, die diese Dateien verwenden) und wiederholen Sie die Deinstallation.";
    if (!logPath.empty()) text += L"\n\nEinzelheiten im Protokoll:\n" + logPath;
    return text;
}

}  // namespace undo
