// The associations page: the list's first state, its colours and widths, the check box that
// unlocks it and the three selection buttons.
#include <string>
#include <vector>

#include "win/platform.h"
#include "wizard/wiz_page.h"
#include "wizard_fixture.h"

namespace wiztest {
namespace {

class WizardAssociations : public WizardWalk {
protected:
    HWND List() const { return Item(2, IDC_ASSOC_LIST); }
    int Count() const { return static_cast<int>(::SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
    // Rows whose box is ticked.
    std::vector<int> Ticked() const {
        std::vector<int> rows;
        for (int i = 0; i < Count(); ++i)
            if ((::SendMessageW(List(), LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) & 0xF000) == 0x2000) rows.push_back(i);
        return rows;
    }
    std::wstring CellText(int row, int column) const {
        wchar_t buffer[128] = {};
        LVITEMW item = {};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = 128;
        ::SendMessageW(List(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return buffer;
    }
    bool ButtonsEnabled(bool enabled) const {
        for (int id : {IDC_IMAGES_ONLY, IDC_SELECT_ALL, IDC_SELECT_NONE})
            if ((::IsWindowEnabled(Item(2, id)) != FALSE) != enabled) return false;
        return true;
    }
    static std::vector<int> Range(int first, int last) {
        std::vector<int> rows;
        for (int i = first; i <= last; ++i) rows.push_back(i);
        return rows;
    }
};

TEST_F(WizardAssociations, FirstShowingIsGreyedAndUnticked) {
    Start();
    GoTo(2);
    EXPECT_EQ(Count(), 63);
    EXPECT_TRUE(Ticked().empty());
    EXPECT_EQ(CellText(0, 0), L"ANI");
    EXPECT_EQ(CellText(0, 1), L"Animated Windows Cursors *");
    EXPECT_EQ(CellText(62, 0), L"WMA");
    EXPECT_EQ(CellText(62, 1), L"Windows Media Audio File *");

    EXPECT_FALSE(WizardDriver::Checked(Item(2, IDC_REGISTRY_ASSOC)));
    EXPECT_TRUE(::IsWindowEnabled(Item(2, IDC_REGISTRY_ASSOC)));
    EXPECT_FALSE(::IsWindowVisible(Item(2, IDC_ASSOC_ALL_USERS)));
    EXPECT_FALSE(::IsWindowEnabled(List()));
    EXPECT_TRUE(ButtonsEnabled(false));
    EXPECT_EQ(::SendMessageW(List(), LVM_GETBKCOLOR, 0, 0), 0xC0C0C0);
    EXPECT_EQ(::SendMessageW(List(), LVM_GETTEXTCOLOR, 0, 0), 0x0080FF);
    EXPECT_EQ(::SendMessageW(List(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);

    // At 96 DPI: a third of the list's outer width, and two thirds less 25 pixels.
    RECT rect = {};
    ::GetWindowRect(List(), &rect);
    int width = rect.right - rect.left;
    EXPECT_EQ(::SendMessageW(List(), LVM_GETCOLUMNWIDTH, 0, 0), width / 3);
    EXPECT_EQ(::SendMessageW(List(), LVM_GETCOLUMNWIDTH, 1, 0), 2 * width / 3 - 25);
    CancelWithYes();
}

TEST_F(WizardAssociations, CheckBoxUnlocksTheListAndTheButtonsSelect) {
    Start();
    GoTo(2);
    driver->Click(Item(2, IDC_REGISTRY_ASSOC));
    EXPECT_TRUE(::IsWindowEnabled(List()));
    EXPECT_TRUE(ButtonsEnabled(true));
    // The list's own colours, read once before it was greyed, come back.
    auto* page = static_cast<CWizPropertyPage*>(TheWizardSheet().GetPage(2));
    EXPECT_NE(page->m_crListText, 0xFFFFFFFFu);
    EXPECT_NE(page->m_crListBk, kDisabledListBk);
    EXPECT_EQ(static_cast<COLORREF>(::SendMessageW(List(), LVM_GETBKCOLOR, 0, 0)), page->m_crListBk);
    EXPECT_EQ(static_cast<COLORREF>(::SendMessageW(List(), LVM_GETTEXTCOLOR, 0, 0)), page->m_crListText);

    driver->Click(Item(2, IDC_SELECT_ALL));
    EXPECT_EQ(Ticked(), Range(0, 62));
    driver->Click(Item(2, IDC_IMAGES_ONLY));
    EXPECT_EQ(Ticked(), Range(0, 48));
    driver->Click(Item(2, IDC_SELECT_NONE));
    EXPECT_TRUE(Ticked().empty());

    // Unticking greys the list again and keeps its ticks.
    driver->Click(Item(2, IDC_IMAGES_ONLY));
    driver->Click(Item(2, IDC_REGISTRY_ASSOC));
    EXPECT_FALSE(::IsWindowEnabled(List()));
    EXPECT_TRUE(ButtonsEnabled(false));
    EXPECT_EQ(::SendMessageW(List(), LVM_GETBKCOLOR, 0, 0), 0xC0C0C0);
    EXPECT_EQ(Ticked(), Range(0, 48));

    // ... and nothing is associated.
    GoTo(4);
    EXPECT_EQ(Recorded().request.associate, 0);
    for (int entry : Recorded().request.assocSelection) EXPECT_EQ(entry, 0);
    FinishWithoutActions();
}

TEST_F(WizardAssociations, WindowsElevenLocksTheCheckBox) {
    SetWindowsVersionClassForTesting(11);
    Start();
    GoTo(2);
    EXPECT_FALSE(::IsWindowEnabled(Item(2, IDC_REGISTRY_ASSOC)));
    EXPECT_FALSE(WizardDriver::Checked(Item(2, IDC_REGISTRY_ASSOC)));
    EXPECT_FALSE(::IsWindowEnabled(List()));
    CancelWithYes();
    SetWindowsVersionClassForTesting(0);
}

TEST_F(WizardAssociations, WindowsTenKeepsTheCheckBoxUsable) {
    SetWindowsVersionClassForTesting(10);
    Start();
    GoTo(2);
    EXPECT_TRUE(::IsWindowEnabled(Item(2, IDC_REGISTRY_ASSOC)));
    CancelWithYes();
    SetWindowsVersionClassForTesting(0);
}

}  // namespace
}  // namespace wiztest
