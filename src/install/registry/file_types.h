#pragma once
// The fixed list of file formats the viewer can be associated with. Row i is list item i of
// the associations page and entry i of InstallRequest::assocSelection.
#include <cstddef>

enum class IconKind { Own, Viewer0, Viewer9, Viewer8 };

struct FileTypeExtension {
    const wchar_t* extension;  // lower case, no dot
    const wchar_t* typeName;   // suffix of the ProgID "Lumiscope.<typeName>"
};

struct FileTypeRow {
    const wchar_t* listText;      // extensions in upper case joined by "/"
    const wchar_t* description;   // a trailing " *" marks a format read through a plug-in
    const FileTypeExtension* extensions;
    size_t extensionCount;
    IconKind iconKind;
    bool isImage;
};

constexpr size_t kFileTypeRowCount = 63;
constexpr size_t kImageRowCount = 49;  // rows 0 to 48

// The table, row 0 first.
const FileTypeRow* FileTypeTable();
