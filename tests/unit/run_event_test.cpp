#include <gtest/gtest.h>

#include "install/run_event.h"
#include "uninstall/undo_report.h"

namespace {

// Which id and type each exit code gets, and a text that names product, scope, code, meaning
// and the log; a code without a log has no log line.
TEST(RunEvent, IdTypeAndTextForEachOutcome) {
    const struct {
        bool setup;
        int code;
        DWORD id;
        WORD type;
    } cases[] = {
        {true, 0, 1000, EVENTLOG_INFORMATION_TYPE},   {true, 4, 1001, EVENTLOG_ERROR_TYPE},
        {true, 5, 1001, EVENTLOG_INFORMATION_TYPE},   {true, 10, 1001, EVENTLOG_INFORMATION_TYPE},
        {true, 740, 1001, EVENTLOG_ERROR_TYPE},       {false, 0, 1010, EVENTLOG_INFORMATION_TYPE},
        {false, 3, 1011, EVENTLOG_WARNING_TYPE},      {false, 5, 1011, EVENTLOG_INFORMATION_TYPE},
        {false, 6, 1011, EVENTLOG_ERROR_TYPE},
    };
    for (const auto& c : cases) {
        const RunEvent e = c.setup ? SetupRunEvent(c.code, false, L"meaning", L"") : UninstallRunEvent(c.code, false, L"meaning", L"");
        EXPECT_EQ(e.id, c.id) << c.code;
        EXPECT_EQ(e.type, c.type) << c.code;
        EXPECT_EQ(e.text, std::wstring(L"Lumiscope 4.70 (64-bit) ") + (c.setup ? L"Setup" : L"Uninstaller") +
                              L"\r\nscope: machine\r\nexit code " + std::to_wstring(c.code) + L": meaning");
    }
    EXPECT_EQ(SetupRunEvent(2, true, L"not installed: invalid target folder", L"C:\\Logs\\setup.log").text,
              L"Lumiscope 4.70 (64-bit) Setup\r\nscope: user\r\nexit code 2: not installed: invalid target folder"
              L"\r\nlog: C:\\Logs\\setup.log");
}

TEST(RunEvent, EveryUninstallerExitCodeHasAMeaning) {
    for (int code : {0, 1, 2, 3, 5, 6, 8, 11, 12, 740}) EXPECT_STRNE(undo::ExitCodeMeaning(code), L"") << code;
    EXPECT_STREQ(undo::ExitCodeMeaning(4), L"");
}

}  // namespace
