#include "uninstall/uninstall_log.h"

#include "win/safe_file.h"
#include "win/text.h"

namespace undo {
namespace {

const wchar_t* VerdictText(Verdict verdict) {
    switch (verdict) {
        case Verdict::Removed: return L"entfernt";
        case Verdict::Restored: return L"wiederhergestellt";
        case Verdict::AlreadyGone: return L"nichts zu tun, bereits entfernt oder wie vor der Installation";
        case Verdict::LeftChanged: return L"belassen, seit der Installation verändert";
        case Verdict::LeftNotEmpty: return L"belassen, nicht leer";
        case Verdict::NotRestored: return L"nicht wiederhergestellt, Dateityp-Wahl des Benutzers (von Windows geschützt)";
        case Verdict::KeptByChoice: return L"behalten, persönliche Einstellungen";
        case Verdict::KeptForRetry: return L"behalten, damit die Deinstallation wiederholt werden kann";
        case Verdict::Scheduled: return L"wird beim nächsten Neustart entfernt";
        case Verdict::Changed: return L"BEHALTEN, seit der Installation verändert";
        case Verdict::InUse: return L"BEHALTEN, in Benutzung oder gesperrt";
        case Verdict::Added: return L"belassen, nicht von der Installation";
        case Verdict::Failed: return L"BEHALTEN, konnte nicht geändert werden";
    }
    return L"?";
}

const wchar_t* ItemText(Item item) {
    switch (item) {
        case Item::File: return L"Datei";
        case Item::Folder: return L"Ordner";
        case Item::Link: return L"Verknüpfung";
        case Item::Settings: return L"Einstellungsdatei";
        case Item::Value: return L"Registrierungswert";
        case Item::Key: return L"Registrierungsschlüssel";
        case Item::Record: return L"Installationsaufzeichnung";
        case Item::Uninstaller: return L"Deinstallationsprogramm";
        case Item::Entry: return L"Deinstallationseintrag";
    }
    return L"?";
}

}  // namespace

std::wstring DescribeStep(const Step& step) {
    std::wstring line = std::wstring(VerdictText(step.verdict)) + L": " + ItemText(step.item) + L" " + step.name;
    if (step.item == Item::Value)
        line += step.valueName.empty() ? L" (Standard)" : L" \u201E" + step.valueName + L"\u201C";
    if (step.error) line += L" (Fehler " + std::to_wstring(step.error) + L")";
    return line;
}

UninstallLog::UninstallLog(const std::wstring& path) {
    std::wstring why;
    if (!path.empty()) m_file = win::OpenLogFile(path, win::LogMode::Append, why);
}

void UninstallLog::Line(const std::wstring& text) {
    if (!m_file) return;
    const std::string bytes = win::ToUtf8(text + L"\r\n");
    DWORD written = 0;
    ::WriteFile(m_file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

void UninstallLog::StepLine(const Step& step) {
    std::wstring line = DescribeStep(step);
    const std::wstring reason = step.error ? win::ErrorText(step.error) : std::wstring();
    if (!reason.empty()) line.insert(line.size() - 1, L": " + reason);
    Line(line);
}

}  // namespace undo
