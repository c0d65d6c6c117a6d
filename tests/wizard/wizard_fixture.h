#pragma once
// What the wizard walks share: the installation replaced by a recorder that notes the request
// and the state of the frame while it "runs", and navigation to a page.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "install/request/install_request.h"
#include "resources/resource_ids.h"
#include "wizard/wiz_sheet.h"
#include "wizard_driver.h"

namespace wiztest {

struct InstallRecord {
    int calls = 0;
    int result = 1;  // what the recorded "installation" answers
    InstallRequest request;
    bool backEnabled = true, nextEnabled = true, cancelEnabled = true;
    bool statusVisible = false;
};

InstallRecord& Recorded();

class WizardWalk : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the wizard with the recorder in place of the installation.
    void Start();
    // Presses Next until `page` is current (from a lower page).
    void GoTo(int page);
    void Next() { driver->Click(driver->Button(kIdWizNext)); }
    void Back() { driver->Click(driver->Button(kIdWizBack)); }
    // Ends the wizard from pages 0-3 with Cancel and the answer Yes.
    void CancelWithYes();
    // Ends the wizard from the finish page with both follow-up actions unticked.
    void FinishWithoutActions();

    HWND Item(int page, int id) const { return driver->Item(page, id); }
    // The wizard's keyboard focus, and a key as it arrives from the keyboard: posted to it.
    HWND Focus() const;
    void Press(WPARAM key);
    bool Enabled(int buttonId) const { return ::IsWindowEnabled(driver->Button(buttonId)) != FALSE; }

    std::unique_ptr<WizardDriver> driver;
};

// The title every box and the frame carry.
inline const std::wstring kTitle = L"Lumiscope 64-bit Setup";

}  // namespace wiztest
