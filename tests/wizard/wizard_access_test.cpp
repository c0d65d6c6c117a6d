// The wizard without a mouse, in high contrast and after a change of display scale.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <set>
#include <vector>

#include "fx/system_look.h"
#include "wizard/wizard_rules.h"
#include "wizard_fixture.h"

namespace wiztest {
namespace {

class WizardAccess : public WizardWalk {
protected:
    void TearDown() override {
        WizardWalk::TearDown();
        fx::SetHighContrastForTesting(-1);
    }
    // The controls Tab visits from the focus until it comes back there (empty: no cycle).
    std::vector<HWND> TabCycle() {
        std::vector<HWND> visited{Focus()};
        for (int i = 0; i < 40; ++i) {
            Press(VK_TAB);
            if (Focus() == visited.front()) return visited;
            visited.push_back(Focus());
        }
        return {};
    }
    bool TabTo(HWND control) {
        for (int i = 0; i < 40 && Focus() != control; ++i) Press(VK_TAB);
        return Focus() == control;
    }
    // The access keys of the page's visible labels and the sheet's buttons; each may appear once.
    void ExpectUniqueAccessKeys(int page) {
        std::vector<HWND> windows;
        for (HWND child = ::GetWindow(driver->Page(page), GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            windows.push_back(child);
        for (int id : {kIdWizBack, kIdWizNext, IDCANCEL}) windows.push_back(driver->Button(id));
        std::set<wchar_t> keys;
        for (HWND window : windows) {
            if (!::IsWindowVisible(window) || (::GetWindowLongW(window, GWL_STYLE) & SS_NOPREFIX)) continue;
            const std::wstring text = WizardDriver::Text(window);
            int marks = 0;
            for (size_t i = 0; i + 1 < text.size(); ++i) {
                if (text[i] != L'&') continue;
                ++marks;
                EXPECT_TRUE(keys.insert(static_cast<wchar_t>(::towupper(text[++i]))).second)
                    << "page " << page << ": the access key of \"" << std::string(text.begin(), text.end())
                    << "\" is taken";
            }
            EXPECT_LE(marks, 1) << "page " << page << ": one access key per label";
        }
    }
};

struct KeyboardRow {
    int page;
    int mustReach;  // a control Tab must reach on this page (and then leave)
    bool escAsks;   // Esc asks "Installation beenden?" (else it ends the wizard)
};

// Each page: unique access keys, a Tab cycle through its control, Esc from that control, and
// Enter from it moves on (from the finish page: ends, as "Fertig stellen" does).
TEST_F(WizardAccess, KeyboardOnEveryPage) {
    const KeyboardRow rows[] = {
        {0, IDC_EULA_LINK, true},
        {1, IDC_FOLDER, true},  // the what's-new field
        {2, IDC_REGISTRY_ASSOC, true},
        {3, IDC_INI_APPDATA, true},  // the selected choice of its group
        {4, IDC_START_VIEWER, false},
    };
    Start();
    HWND eula = Item(0, IDC_EULA_LINK);
    EXPECT_TRUE(::GetWindowLongW(eula, GWL_STYLE) & WS_TABSTOP);
    for (const KeyboardRow& row : rows) {
        SCOPED_TRACE(row.page);
        ASSERT_EQ(driver->ActivePage(), row.page);
        ExpectUniqueAccessKeys(row.page);
        if (row.page == 4) driver->Click(Item(4, IDC_SHOW_FAQ));  // nothing opened by the walk
        if (row.page == 4) driver->Click(Item(4, IDC_START_VIEWER));
        const std::vector<HWND> cycle = TabCycle();
        ASSERT_FALSE(cycle.empty()) << "Tab comes back where it started";
        HWND control = Item(row.page, row.mustReach);
        EXPECT_EQ(std::count(cycle.begin(), cycle.end(), control), 1);
        ASSERT_TRUE(TabTo(control));
        if (row.page == 1) {
            DWORD start = 1, end = 1;
            ::SendMessageW(control, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
            EXPECT_TRUE(start == 0 && end == 0) << "caret at the top, nothing selected";
        }
        if (row.escAsks) {
            Press(VK_ESCAPE);
            Box box = driver->WaitForBox();
            EXPECT_EQ(box.text, L"Installation beenden?");
            driver->Answer(box, IDNO);
            driver->Sync();
            EXPECT_EQ(driver->ActivePage(), row.page);
            EXPECT_EQ(Focus(), control) << "the answer No leaves the focus where it was";
        }
        if (row.page == 0) {
            Press(VK_TAB);  // Enter on the link opens it; from the next control it moves on
        }
        Press(VK_RETURN);
        for (int i = 0; i < 500 && row.page == 3 && driver->ActivePage() == 3; ++i) ::Sleep(10);  // installs first
        if (row.page == 4) {
            EXPECT_TRUE(driver->WaitForEnd()) << "Enter presses \"Fertig stellen\"";
            EXPECT_TRUE(driver->Result());
        } else {
            EXPECT_EQ(driver->ActivePage(), row.page + 1) << "Enter presses \"Weiter\"";
        }
    }
    EXPECT_EQ(Recorded().calls, 1);
}

// High contrast is asked at the start and again when the system's colours change.
TEST_F(WizardAccess, HighContrastColours) {
    CWizPropertySheet& sheet = TheWizardSheet();
    Start();
    GoTo(3);
    HWND list = sheet.m_hAssocList;
    auto listColours = [&] {
        return ListColours{static_cast<COLORREF>(::SendMessageW(list, LVM_GETBKCOLOR, 0, 0)),
                           static_cast<COLORREF>(::SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0))};
    };
    EXPECT_EQ(listColours().background, kDisabledListBk);
    EXPECT_EQ(sheet.m_statusText.m_crText, kProgressRed);
    EXPECT_EQ(sheet.m_linkEula.GetTextColour(), CHyperLink::kColourLink);

    for (int on : {1, 0}) {
        SCOPED_TRACE(on);
        fx::SetHighContrastForTesting(on);
        ::SendMessageW(driver->Sheet(), WM_SYSCOLORCHANGE, 0, 0);
        EXPECT_EQ(listColours().background, on ? ::GetSysColor(COLOR_WINDOW) : kDisabledListBk);
        EXPECT_EQ(listColours().text, on ? ::GetSysColor(COLOR_GRAYTEXT) : kDisabledListText);
        EXPECT_EQ(sheet.m_statusText.m_crText, on ? ::GetSysColor(COLOR_WINDOWTEXT) : kProgressRed);
        EXPECT_EQ(sheet.m_linkEula.GetTextColour(), on ? ::GetSysColor(COLOR_HOTLIGHT) : CHyperLink::kColourLink);
    }
    CancelWithYes();
}

LOGFONTW FontOf(HFONT font) {
    LOGFONTW lf{};
    ::GetObjectW(font, sizeof lf, &lf);
    return lf;
}

// Moved to a monitor at 200 %: fonts, column widths and the logo are made again for it. The
// system lays the page out anew there; here the logo's box is doubled by hand.
TEST_F(WizardAccess, DpiChangeMakesFontsColumnsAndLogoAgain) {
    CWizPropertySheet& sheet = TheWizardSheet();
    Start();
    GoTo(3);
    const int dpi = sheet.m_nDpi * 2;
    const LONG linkHeight = FontOf(sheet.m_linkEula.GetPlainFont()).lfHeight;
    HWND logo = Item(3, IDC_LOGO);
    RECT box{};
    ::GetClientRect(logo, &box);
    ::SetWindowPos(logo, nullptr, 0, 0, box.right * 2, box.bottom * 2, SWP_NOMOVE | SWP_NOZORDER);
    RECT rect{};
    ::GetWindowRect(driver->Sheet(), &rect);
    rect.right += 40;
    ::SendMessageW(driver->Sheet(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&rect));
    driver->Sync();

    EXPECT_EQ(FontOf(sheet.m_fontTitle).lfHeight, ::MulDiv(18, dpi, 96));
    for (auto [page, heading] : {std::pair{0, IDC_WELCOME_HEADING}, {3, IDC_READY_HEADING}})
        EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(Item(page, heading), WM_GETFONT, 0, 0)),
                  sheet.m_fontTitle.GetSafeHandle());
    EXPECT_EQ(FontOf(sheet.m_statusText.GetDrawFont()).lfHeight, ::MulDiv(18, dpi, 96));
    EXPECT_EQ(FontOf(sheet.m_linkEula.GetPlainFont()).lfHeight, linkHeight * 2);
    EXPECT_EQ(FontOf(sheet.m_linkEula.GetUnderlinedFont()).lfHeight, linkHeight * 2);

    RECT listRect{};
    ::GetWindowRect(sheet.m_hAssocList, &listRect);
    auto [first, second] = AssocColumnWidths(listRect.right - listRect.left, dpi);
    EXPECT_EQ(::SendMessageW(sheet.m_hAssocList, LVM_GETCOLUMNWIDTH, 0, 0), first);
    EXPECT_EQ(::SendMessageW(sheet.m_hAssocList, LVM_GETCOLUMNWIDTH, 1, 0), second);

    RECT sheetRect{};
    ::GetWindowRect(driver->Sheet(), &sheetRect);
    EXPECT_EQ(sheetRect.right, rect.right) << "the sheet takes the place the system suggests";
    BITMAP image{};
    ASSERT_TRUE(::GetObjectW(reinterpret_cast<HBITMAP>(::SendMessageW(logo, STM_GETIMAGE, IMAGE_BITMAP, 0)),
                             sizeof image, &image));
    EXPECT_TRUE(image.bmWidth == box.right * 2 && image.bmHeight == box.bottom * 2) << "the logo fills its new box";
    CancelWithYes();
}

}  // namespace
}  // namespace wiztest
