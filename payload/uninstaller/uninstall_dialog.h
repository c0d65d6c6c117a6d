#pragma once
// The question before an interactive uninstallation: the program folder, whether the personal
// settings go too, "Entfernen" or "Abbrechen". A running viewer is to be closed first.
#include <string>

#include "fx/dialog.h"

// What the user chose.
enum class DialogChoice { Remove, Cancel, ViewerStillRunning };

class CUninstallDialog : public CDialog {
public:
    explicit CUninstallDialog(const std::wstring& programFolder);

    DialogChoice Ask();
    bool Purge() const { return m_purge; }

    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::wstring m_programFolder;
    bool m_purge = false;
};

// A window of the viewer's class exists.
bool IsViewerRunning();
