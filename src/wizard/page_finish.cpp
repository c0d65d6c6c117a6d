// Page 4: the installation is done; the sheet carries out the follow-up actions chosen here
// when its Cancel button, now "&Fertig stellen", is pressed.
#include "resources/resource_ids.h"
#include "win/text.h"
#include "wizard/wiz_page.h"
#include "wizard/wiz_sheet.h"

void CWizPropertyPage::ActivateFinish() {
    SetTitleFont(IDC_FINISH_HEADING);
    SetChecked(IDC_SHOW_FAQ, true);
    SetChecked(IDC_START_VIEWER, true);
    m_pSheet->SetButtonText(IDCANCEL, win::LoadStringText(IDS_FINISH_TEXT));
    m_pSheet->EnableButton(kIdWizBack, false);
    m_pSheet->EnableButton(kIdWizNext, false);
    m_pSheet->MakeCancelDefault();
}
