#include "uninstall_dialog.h"

#include "install/request/install_request.h"
#include "uninstall/result_message.h"
#include "uninstaller_ids.h"

namespace {

// EndDialog's answer when the user gave up on a viewer that keeps running.
constexpr INT_PTR kViewerRunningResult = 100;

constexpr wchar_t kViewerRunningText[] =
    L"Lumiscope läuft noch.\n\nBeenden Sie bitte Lumiscope und klicken Sie dann auf \u201EWiederholen\u201C. "
    L"Mit \u201EAbbrechen\u201C wird nichts entfernt.";

std::wstring Caption() { return std::wstring(undo::kProductTitle) + L" entfernen"; }

}  // namespace

bool IsViewerRunning() { return ::FindWindowW(kViewerWindowClass, nullptr) != nullptr; }

CUninstallDialog::CUninstallDialog(const std::wstring& programFolder)
    : CDialog(IDD_UNINSTALL), m_programFolder(programFolder) {}

DialogChoice CUninstallDialog::Ask() {
    switch (DoModal()) {
        case IDOK: return DialogChoice::Remove;
        case kViewerRunningResult: return DialogChoice::ViewerStillRunning;
        default: return DialogChoice::Cancel;
    }
}

BOOL CUninstallDialog::OnInitDialog() {
    SetWindowText(Caption());
    ::SetDlgItemTextW(m_hWnd, IDC_PROGRAM_FOLDER, m_programFolder.c_str());
    ::CheckDlgButton(m_hWnd, IDC_PURGE, BST_UNCHECKED);
    return TRUE;
}

void CUninstallDialog::OnOK() {
    while (IsViewerRunning()) {
        const std::wstring caption = Caption();
        if (::MessageBoxW(m_hWnd, kViewerRunningText, caption.c_str(), MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY) {
            EndDialog(kViewerRunningResult);
            return;
        }
    }
    m_purge = ::IsDlgButtonChecked(m_hWnd, IDC_PURGE) == BST_CHECKED;
    EndDialog(IDOK);
}
