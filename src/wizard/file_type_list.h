#pragma once
// The associations list's rows: one per row of the file-type table, in table order.
#include <windows.h>

// Inserts item `index` with `first` in column 0 and `second` in column 1; no state is set, so
// the item starts unticked.
void InsertFileTypeRow(HWND list, const wchar_t* first, const wchar_t* second, int index);

// Inserts every row of FileTypeTable(); called once, after the two columns exist.
void FillFileTypeList(HWND list);
