#include "install/registry/associations.h"

#include <windows.h>
#include <shlobj.h>

#include "win/platform.h"

namespace {

constexpr wchar_t kProduct[] = L"Lumiscope";
constexpr wchar_t kClasses[] = L"SOFTWARE\\Classes\\";
constexpr wchar_t kFileAssociationsKey[] = L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations";
constexpr wchar_t kFileExtsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";

// Packaged Windows apps (photos, media and the like) that would otherwise keep offering
// themselves for the viewer's types.
constexpr const wchar_t* kAppxProgIds[] = {
    L"AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg", L"AppXk0g4vb8gvt7b93tg50ybcy892pge6jmt",
    L"AppX43hnxtbyyps62jhe9sqpdzxn1790zetc", L"AppX9rkaq77s0jzh1tyccadx9ghba15r6t3h",
    L"AppX6eg8h5sxqq90pv53845wmnbewywdqq5h",
};

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool EqualsAsciiNoCase(const std::wstring& a, const wchar_t* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return i == a.size() && b[i] == 0;
}

}  // namespace

std::wstring ProgIdFor(const std::wstring& typeName) { return std::wstring(kProduct) + L"." + typeName; }

std::wstring FriendlyTypeName(const std::wstring& typeName) {
    std::wstring upper = typeName;
    for (auto& c : upper) c = AsciiUpper(c);
    return std::wstring(kProduct) + L" " + upper + L" File";
}

std::wstring IconLocationFor(IconKind kind, const std::wstring& viewerPath) {
    switch (kind) {
        case IconKind::Own: return L"%1";
        case IconKind::Viewer9: return viewerPath + L",9";
        case IconKind::Viewer8: return viewerPath + L",8";
        case IconKind::Viewer0: break;
    }
    return viewerPath + L",0";
}

bool IsAlwaysAssociated(const std::wstring& extension) {
    return EqualsAsciiNoCase(extension, L"JPG") || EqualsAsciiNoCase(extension, L"PNG") ||
           EqualsAsciiNoCase(extension, L"TIF");
}

reg::Write CapabilityAssociationWrite(const std::wstring& extension, const std::wstring& typeName) {
    return reg::SetString(reg::Root::LocalMachine, kFileAssociationsKey, reg::Open::SetValue, L"." + extension,
                          ProgIdFor(typeName));
}

std::vector<reg::Write> FileTypeWrites(const std::wstring& extension, const std::wstring& typeName,
                                       const std::wstring& openCommand, const std::wstring& iconLocation,
                                       int selected) {
    using reg::Root;
    const std::wstring progId = ProgIdFor(typeName);
    const std::wstring progIdKey = kClasses + progId;
    std::vector<reg::Write> writes;
    if (selected || IsAlwaysAssociated(extension))
        writes.push_back(reg::SetDefault(Root::LocalMachine, kClasses + (L"." + extension), progId));
    writes.push_back(reg::SetDefault(Root::LocalMachine, progIdKey, FriendlyTypeName(typeName)));
    writes.push_back(reg::SetDefault(Root::LocalMachine, progIdKey + L"\\shell\\open\\command", openCommand));
    writes.push_back(reg::SetDefault(Root::LocalMachine, progIdKey + L"\\DefaultIcon", iconLocation));
    writes.push_back(CapabilityAssociationWrite(extension, typeName));
    if (selected)
        writes.push_back(reg::RecreateString(Root::CurrentUser, kFileExtsKey + extension + L"\\UserChoice",
                                             L"Progid", progId));
    return writes;
}

std::vector<reg::Write> FileTableWrites(const std::wstring& viewerPath, const std::wstring& openCommand,
                                        const std::array<int, kAssocSelectionSize>& selection) {
    std::vector<reg::Write> writes;
    ForEachFileType(viewerPath, selection,
                    [&](const std::wstring& ext, const std::wstring& type, const std::wstring& icon, int selected) {
                        reg::Append(writes, FileTypeWrites(ext, type, openCommand, icon, selected));
                    });
    return writes;
}

std::vector<reg::Write> NoOpenWithWrites() {
    std::vector<reg::Write> writes;
    for (const wchar_t* progId : kAppxProgIds)
        writes.push_back(reg::SetString(reg::Root::CurrentUser, kClasses + std::wstring(progId), reg::Open::Create,
                                        L"NoOpenWith", std::wstring()));
    return writes;
}

std::vector<reg::Write> RefreshWrites(int versionClass) {
    // Windows 11 (class 11) handles these apps differently and is left alone.
    return versionClass == 10 ? NoOpenWithWrites() : std::vector<reg::Write>();
}

void RegisterFileType(reg::Session& session, const std::wstring& extension, const std::wstring& typeName,
                      const std::wstring& openCommand, const std::wstring& iconLocation, int selected) {
    session.ApplyAll(FileTypeWrites(extension, typeName, openCommand, iconLocation, selected));
}

void AddCapabilityAssociation(const std::wstring& extension, const std::wstring& typeName) {
    reg::Apply(CapabilityAssociationWrite(extension, typeName));
}

void DisableAppxOpenWith() { reg::ApplyAll(NoOpenWithWrites()); }

void RefreshAssociations() {
    reg::ApplyAll(RefreshWrites(GetWindowsVersionClass()));
    ::SystemParametersInfoW(SPI_SETICONS, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
    ::SHChangeNotify(SHCNE_ASSOCCHANGED, 0x3000, nullptr, nullptr);
}
