#pragma once
// What the product leaves in the prefix for one program folder: the file tree of drive C: and
// the registry keys it writes to, taken before an installation and compared after the
// uninstallation; and whatever a test leaves behind, taken away afterwards so that the next
// test finds the prefix as before.
#include <gtest/gtest.h>

#include "install/request/install_request.h"

#include <array>
#include <set>
#include <string>

namespace testsupport {

// A selection of every file-type row, as "/assoc=2" makes it.
std::array<int, kAssocSelectionSize> AllSelected();
// A shell folder of the prefix by its CSIDL.
std::wstring SpecialFolder(int csidl);

struct SystemState {
    std::set<std::wstring> files;
    std::set<std::wstring> registry;
};

class ProductTrace {
public:
    // `target` is the program folder, `root` the folder made for it on C:, `excluded` a folder
    // the test writes into (its logs) that the file tree leaves out.
    ProductTrace(const std::wstring& root, const std::wstring& target, const std::wstring& excluded);

    SystemState State() const;
    // What the next restart would delete is deleted, as the system would.
    void Restart() const;
    // Everything an installation with any options makes is taken away, whatever is there.
    void Remove() const;

    // %APPDATA%\Lumiscope, where the first installation keeps the settings, and what is in it then.
    const std::wstring& settingsFolder() const { return m_settingsFolder; }
    std::set<std::wstring> SettingsEntries() const;

private:
    std::wstring m_root;
    std::wstring m_target;
    std::wstring m_excluded;
    std::wstring m_settingsFolder;
};

// The files without the uninstallers' own files that a per-user removal moves into
// %TEMP%\Lumiscope_Uninstall_<process id>\ and the next run removes.
std::set<std::wstring> WithoutUninstallerCopies(const std::set<std::wstring>& files);

// Equal sets; otherwise the lines only one of them has are named.
::testing::AssertionResult Same(const std::set<std::wstring>& actual, const std::set<std::wstring>& expected);

}  // namespace testsupport
