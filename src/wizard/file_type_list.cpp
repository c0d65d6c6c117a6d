#include "wizard/file_type_list.h"

#include <commctrl.h>
#include <cwchar>

#include "install/registry/file_types.h"

void InsertFileTypeRow(HWND list, const wchar_t* first, const wchar_t* second, int index) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<wchar_t*>(first);
    item.cchTextMax = static_cast<int>(std::wcslen(first)) + 1;
    ::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));

    LVITEMW sub = {};
    sub.iSubItem = 1;
    sub.pszText = const_cast<wchar_t*>(second);
    ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&sub));
}

void FillFileTypeList(HWND list) {
    const FileTypeRow* rows = FileTypeTable();
    for (size_t i = 0; i < kFileTypeRowCount; ++i)
        InsertFileTypeRow(list, rows[i].listText, rows[i].description, static_cast<int>(i));
}
