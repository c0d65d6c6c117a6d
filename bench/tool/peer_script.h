#pragma once
// The peer installer's script: a setup plan said in NSIS. Each step of the setup becomes one
// macro that bench/peer.nsi calls in the setup's order.
#include <string>
#include <vector>

#include "bench/tool/setup_plan.h"

// A double-quoted NSIS string that stands for exactly `text`.
std::wstring NsisQuoted(const std::wstring& text);

// The registry writes as NSIS statements. False (with the reason in `error`) for a write that
// NSIS cannot do the same way.
bool RegistryStatements(const std::vector<reg::Write>& writes, std::vector<std::wstring>& statements,
                        std::wstring& error);

// The whole include file: the install folder's define and the macros PeerFolder,
// PeerSettings, PeerLinks, PeerRegistry, PeerNotify and PeerConvertSettings.
bool PeerScript(const SetupPlan& plan, std::wstring& script, std::wstring& error);

// One line per registry value or key the writes leave behind, for checking an end state:
// root, key, kind (sz, dword, key, absent), value name and data, separated by tabs.
std::wstring ExpectedRegistry(const std::vector<reg::Write>& writes);
