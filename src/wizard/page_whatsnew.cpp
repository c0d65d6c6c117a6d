// Page 1: the list of changes of this version, from the program's text resource.
#include "resources/resource_ids.h"
#include "wizard/wiz_page.h"
#include "wizard/wizard_rules.h"

void CWizPropertyPage::LoadWhatsNewText() {
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(IDR_WHATSNEW), L"TXT");
    if (!resource) return;
    DWORD bytes = ::SizeofResource(module, resource);
    HGLOBAL loaded = ::LoadResource(module, resource);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (bytes == 0 || !data) return;
    SetItemText(IDC_FOLDER, WhatsNewTextFromResource(data, bytes));
}
