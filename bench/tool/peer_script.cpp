#include "bench/tool/peer_script.h"

#include <windows.h>
#include <shlobj.h>

#include "install/settings/ini_unicode.h"
#include "win/text.h"

namespace {

std::wstring RootName(reg::Root root) {
    switch (root) {
        case reg::Root::CurrentUser: return L"HKCU";
        case reg::Root::ClassesRoot: return L"HKCR";
        case reg::Root::LocalMachine: break;
    }
    return L"HKLM";
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(::towlower(c));
    return text;
}

// Whether a later write of the list creates `key` anyway (NSIS has no bare key creation).
bool CreatedLater(const std::vector<reg::Write>& writes, size_t index) {
    const reg::Write& created = writes[index];
    const std::wstring key = Lower(created.key);
    for (size_t i = index + 1; i < writes.size(); ++i) {
        const reg::Write& w = writes[i];
        if (w.root != created.root || w.op == reg::Op::DeleteKey) continue;
        const std::wstring later = Lower(w.key);
        if (later == key || later.compare(0, key.size() + 1, key + L"\\") == 0) return true;
    }
    return false;
}

std::wstring Statement(const wchar_t* command, const reg::Write& w, const std::wstring& rest) {
    return win::Format(L"%s %s %s %s", command, RootName(w.root).c_str(), NsisQuoted(w.key).c_str(), rest.c_str());
}

void Add(std::wstring& script, const std::wstring& line) { script += L"  " + line + L"\n"; }

void Macro(std::wstring& script, const wchar_t* name, const std::vector<std::wstring>& lines) {
    script += win::Format(L"!macro %s\n", name);
    for (const std::wstring& line : lines) Add(script, line);
    script += L"!macroend\n\n";
}

std::wstring LinkStatement(const LinkPlan& plan) {
    const GroupLink& link = plan.link;
    return win::Format(L"CreateShortCut /NoWorkingDir %s %s %s %s %d \"\" \"\" %s",
                       NsisQuoted(plan.folder + link.fileName).c_str(), NsisQuoted(link.target).c_str(),
                       NsisQuoted(link.arguments).c_str(), NsisQuoted(link.iconPath).c_str(), link.iconIndex,
                       NsisQuoted(link.description).c_str());
}

std::vector<std::wstring> LinkStatements(const SetupPlan& plan) {
    std::vector<std::wstring> lines;
    if (!plan.groupFolder.empty()) lines.push_back(L"CreateDirectory " + NsisQuoted(plan.groupFolder));
    for (size_t i = 0; i < plan.links.size(); ++i) {
        lines.push_back(LinkStatement(plan.links[i]));
        if (i == 0)
            for (const std::wstring& dropped : plan.droppedLinks) lines.push_back(L"Delete " + NsisQuoted(dropped));
    }
    return lines;
}

std::vector<std::wstring> SettingsStatements(const SetupPlan& plan) {
    std::vector<std::wstring> lines;
    for (const std::wstring& folder : plan.settingsFolders) lines.push_back(L"CreateDirectory " + NsisQuoted(folder));
    for (const IniEntry& e : plan.iniEntries)
        lines.push_back(L"WriteINIStr " + NsisQuoted(e.file) + L" " + NsisQuoted(e.section) + L" " +
                        NsisQuoted(e.key) + L" " + NsisQuoted(e.value));
    return lines;
}

// The header the setup puts before the converted lines, without its byte-order mark.
std::wstring UnicodeIniHeader() {
    const std::string bytes = UnicodeIniBytes({}, [](const std::string&) { return std::wstring(); });
    std::wstring header;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        header += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return header;
}

// Line by line from the 8-bit file into a UTF-16 copy, which then replaces it.
std::vector<std::wstring> ConvertStatements(const std::wstring& ini) {
    const std::wstring file = NsisQuoted(ini);
    const std::wstring temp = NsisQuoted(ini + L"_temp");
    return {
        L"ClearErrors",
        L"FileOpen $0 " + file + L" r",
        L"IfErrors peer_convert_done",
        L"FileOpen $1 " + temp + L" w",
        L"FileWriteUTF16LE /BOM $1 " + NsisQuoted(UnicodeIniHeader()),
        L"peer_convert_line:",
        L"ClearErrors",
        L"FileRead $0 $2",
        L"IfErrors peer_convert_close",
        L"FileWriteUTF16LE $1 $2",
        L"Goto peer_convert_line",
        L"peer_convert_close:",
        L"FileClose $0",
        L"FileClose $1",
        L"Delete " + file,
        L"Rename " + temp + L" " + file,
        L"peer_convert_done:",
    };
}

std::vector<std::wstring> NotifyStatements(const SetupPlan& plan) {
    if (!plan.notifies) return {};
    return {
        win::Format(L"System::Call 'user32::SystemParametersInfoW(i %d, i 0, p 0, i %d)'", SPI_SETICONS,
                    SPIF_UPDATEINIFILE | SPIF_SENDCHANGE),
        // The same flags as the setup's own call.
        win::Format(L"System::Call 'shell32::SHChangeNotify(i %d, i %d, p 0, p 0)'", SHCNE_ASSOCCHANGED, 0x3000),
    };
}

std::wstring FolderWithoutBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    return folder;
}

}  // namespace

std::wstring NsisQuoted(const std::wstring& text) {
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        switch (c) {
            case L'$': quoted += L"$$"; break;
            case L'"': quoted += L"$\\\""; break;
            case L'\r': quoted += L"$\\r"; break;
            case L'\n': quoted += L"$\\n"; break;
            case L'\t': quoted += L"$\\t"; break;
            default: quoted += c;
        }
    }
    return quoted + L"\"";
}

bool RegistryStatements(const std::vector<reg::Write>& writes, std::vector<std::wstring>& statements,
                        std::wstring& error) {
    for (size_t i = 0; i < writes.size(); ++i) {
        const reg::Write& w = writes[i];
        switch (w.op) {
            case reg::Op::SetDefault:
                statements.push_back(Statement(L"WriteRegStr", w, L"\"\" " + NsisQuoted(w.text)));
                break;
            case reg::Op::SetString:
                statements.push_back(Statement(L"WriteRegStr", w, NsisQuoted(w.valueName) + L" " + NsisQuoted(w.text)));
                break;
            case reg::Op::SetDword:
                statements.push_back(
                    Statement(L"WriteRegDWORD", w, NsisQuoted(w.valueName) + win::Format(L" %lu", w.number)));
                break;
            case reg::Op::DeleteKey:
                statements.push_back(win::Format(L"DeleteRegKey /ifempty %s %s", RootName(w.root).c_str(),
                                                 NsisQuoted(w.key).c_str()));
                break;
            case reg::Op::CreateKey:
                if (!CreatedLater(writes, i)) {
                    error = L"no NSIS statement creates the empty key " + RootName(w.root) + L"\\" + w.key;
                    return false;
                }
                break;
            case reg::Op::RecreateString:
                statements.push_back(win::Format(L"DeleteRegKey %s %s", RootName(w.root).c_str(), NsisQuoted(w.key).c_str()));
                statements.push_back(Statement(L"WriteRegStr", w, NsisQuoted(w.valueName) + L" " + NsisQuoted(w.text)));
                break;
        }
    }
    return true;
}

bool PeerScript(const SetupPlan& plan, std::wstring& script, std::wstring& error) {
    std::vector<std::wstring> registry;
    if (!RegistryStatements(plan.writes, registry, error)) return false;
    const std::wstring folder = NsisQuoted(FolderWithoutBackslash(plan.installFolder));
    script = L"; Generated by the benchmark from the setup's own tables. Do not edit.\n\n";
    script += L"!define PEER_INSTALL_FOLDER " + folder + L"\n\n";
    Macro(script, L"PeerFolder", {L"CreateDirectory " + folder});
    Macro(script, L"PeerSettings", SettingsStatements(plan));
    Macro(script, L"PeerLinks", LinkStatements(plan));
    Macro(script, L"PeerRegistry", registry);
    Macro(script, L"PeerNotify", NotifyStatements(plan));
    Macro(script, L"PeerConvertSettings", plan.unicodeIni.empty() ? std::vector<std::wstring>() : ConvertStatements(plan.unicodeIni));
    return true;
}

std::wstring ExpectedRegistry(const std::vector<reg::Write>& writes) {
    std::wstring lines;
    auto line = [&](const reg::Write& w, const wchar_t* kind, const std::wstring& name, const std::wstring& data) {
        lines += RootName(w.root) + L"\t" + w.key + L"\t" + kind + L"\t" + name + L"\t" + data + L"\n";
    };
    for (const reg::Write& w : writes) {
        switch (w.op) {
            case reg::Op::SetDefault: line(w, L"sz", L"", w.text); break;
            case reg::Op::SetString:
            case reg::Op::RecreateString: line(w, L"sz", w.valueName, w.text); break;
            case reg::Op::SetDword: line(w, L"dword", w.valueName, win::Format(L"%lu", w.number)); break;
            case reg::Op::DeleteKey: line(w, L"absent", L"", L""); break;
            case reg::Op::CreateKey: line(w, L"key", L"", L""); break;
        }
    }
    return lines;
}
