#include "wizard/run_wizard.h"

#include <array>
#include <memory>

#include "win/platform.h"
#include "fx/app.h"
#include "resources/resource_ids.h"
#include "wizard/wiz_page.h"
#include "wizard/wiz_sheet.h"

namespace {

constexpr std::array<UINT, 5> kPageTemplates = {IDD_WELCOME, IDD_WHATSNEW, IDD_ASSOCIATIONS, IDD_READY, IDD_FINISH};

}  // namespace

bool RunWizard() {
    CWizPropertySheet& sheet = TheWizardSheet();
    sheet.MakeTitleFont(GetScreenDpi(nullptr));
    sheet.m_hAssocList = nullptr;
    sheet.m_bInstalled = false;
    sheet.m_szInstalledFolder.clear();

    std::array<std::unique_ptr<CWizPropertyPage>, kPageTemplates.size()> pages;
    for (size_t i = 0; i < pages.size(); ++i) {
        pages[i] = std::make_unique<CWizPropertyPage>(kPageTemplates[i]);
        sheet.AddPage(pages[i].get());
        pages[i]->m_pSheet = &sheet;
    }

    CWinApp* app = CWinApp::GetApp();
    if (app) app->m_pMainWnd = &sheet;
    sheet.DoModal();
    if (app) app->m_pMainWnd = nullptr;

    // The pages go in reverse order, as they came.
    for (auto it = pages.rbegin(); it != pages.rend(); ++it) it->reset();
    return sheet.m_bInstalled;
}
