#pragma once
// What a silent run of the setup with a given command line does, taken from the setup's own
// code: the request, the registry writes, the links and the settings files. The peer
// installer is generated from this, so that it cannot drift from the product.
#include <string>
#include <vector>

#include "install/request/install_request.h"
#include "install/registry/registry_ops.h"
#include "install/links/shortcuts.h"

struct LinkPlan {
    std::wstring folder;  // with a trailing backslash
    GroupLink link;
};

struct IniEntry {
    std::wstring file;
    std::wstring section;
    std::wstring key;
    std::wstring value;
};

struct SetupPlan {
    InstallRequest request;
    std::wstring installFolder;          // with a trailing backslash
    std::vector<std::wstring> settingsFolders;  // made for the settings files, besides the install folder
    std::vector<IniEntry> iniEntries;    // in file order
    std::wstring unicodeIni;             // the settings file that is turned into UTF-16
    std::wstring groupFolder;            // the start-menu group's, when there is one
    std::vector<LinkPlan> links;         // in the order they are made
    std::vector<std::wstring> droppedLinks;  // deleted after the first group link
    std::vector<reg::Write> writes;
    bool notifies = false;               // the association refresh runs
    std::vector<std::wstring> ownFiles;  // what the setup keeps for itself (its install record)
};

// The request as a silent run builds it from `commandLine` on this system.
InstallRequest SilentRequest(const std::wstring& commandLine);

// Everything but the settings: computed without touching the system.
SetupPlan PlanWithoutSettings(const InstallRequest& request);

// Writes the settings files as the setup does (the install folder is created for them) and
// reads back what they hold. Run it in a prefix that is thrown away or reset afterwards.
void AddSettingsByWriting(SetupPlan& plan);
