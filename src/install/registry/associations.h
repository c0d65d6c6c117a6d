#pragma once
// The viewer's file types: one ProgID per type name with its command and icon, the capability
// list the default-programs settings read, and for selected rows the extension keys and the
// current user's choice.
#include <array>
#include <string>
#include <vector>

#include "install/request/install_request.h"
#include "install/registry/file_types.h"
#include "install/registry/registry_ops.h"

// "Lumiscope.<typeName>".
std::wstring ProgIdFor(const std::wstring& typeName);

// "Lumiscope <TYPENAME> File", only the ASCII letters a to z raised.
std::wstring FriendlyTypeName(const std::wstring& typeName);

// The DefaultIcon text of a row's ProgIDs: "%1" or the viewer's icon ",0", ",9" or ",8".
std::wstring IconLocationFor(IconKind kind, const std::wstring& viewerPath);

// jpg, png and tif get their extension key even when their row is not selected.
bool IsAlwaysAssociated(const std::wstring& extension);

// The writes for one extension, in the order they are made.
std::vector<reg::Write> FileTypeWrites(const std::wstring& extension, const std::wstring& typeName,
                                       const std::wstring& openCommand, const std::wstring& iconLocation,
                                       int selected);

// The extension's entry in the viewer's capability list (the key must already exist).
reg::Write CapabilityAssociationWrite(const std::wstring& extension, const std::wstring& typeName);

// One call of `visit(extension, typeName, iconLocation, selected)` per extension of the
// file-type table, in table order, with the row's icon location and selection entry.
template <typename Visit>
void ForEachFileType(const std::wstring& viewerPath, const std::array<int, kAssocSelectionSize>& selection,
                     Visit&& visit) {
    const FileTypeRow* rows = FileTypeTable();
    for (size_t i = 0; i < kFileTypeRowCount; ++i) {
        const std::wstring icon = IconLocationFor(rows[i].iconKind, viewerPath);
        for (size_t e = 0; e < rows[i].extensionCount; ++e)
            visit(std::wstring(rows[i].extensions[e].extension), std::wstring(rows[i].extensions[e].typeName), icon,
                  selection[i]);
    }
}

// Every file-type write of an installation (87 extensions).
std::vector<reg::Write> FileTableWrites(const std::wstring& viewerPath, const std::wstring& openCommand,
                                        const std::array<int, kAssocSelectionSize>& selection);

// The five packaged Windows apps whose Open-with entries are switched off for the user.
std::vector<reg::Write> NoOpenWithWrites();

// The registry part of the association refresh for a Windows version class: only Windows 10
// gets the NoOpenWith entries.
std::vector<reg::Write> RefreshWrites(int versionClass);

// Writes one extension's entries (FileTypeWrites) in the registration's session. Failures
// are skipped silently.
void RegisterFileType(reg::Session& session, const std::wstring& extension, const std::wstring& typeName,
                      const std::wstring& openCommand, const std::wstring& iconLocation, int selected);
void AddCapabilityAssociation(const std::wstring& extension, const std::wstring& typeName);
void DisableAppxOpenWith();

// After the file types: NoOpenWith on Windows 10, reload the system icons, tell the shell.
void RefreshAssociations();
