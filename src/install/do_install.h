#pragma once
#include <string>

#include "install/request/install_request.h"

// What stopped an installation; Done when every step ran (later steps never fail it).
// ViewerRunning: a program runs from the folder, or a file of the viewer's own was held by
// another process; NewerInstalled: a later version is installed. Nothing changed then.
enum class InstallStatus { Done, InvalidFolder, FolderNotCreated, PayloadFailed, ViewerRunning, NewerInstalled };

// Carries out one request on the calling thread. In wizard mode (silent == 0) failures and
// the association question are message boxes captioned request.caption; in silent mode
// failures go to the install log. May set request.iniFolder (silent rule of the settings).
InstallStatus RunInstall(InstallRequest& request);

// 1 when the installation was carried out, 0 when it stopped at a failure.
inline int DoInstall(InstallRequest& request) { return RunInstall(request) == InstallStatus::Done ? 1 : 0; }

// Shows a Yes/No question (No the default), owned by `owner`, and returns IDYES or IDNO.
using AskQuestion = int (*)(HWND owner, const std::wstring& text, const std::wstring& caption);

// In wizard mode with file types selected, asks whether the associations are to be changed.
// A "No" registers as if nothing had been selected: `associate` and every selection 0.
void ConfirmAssociations(InstallRequest& request, AskQuestion ask);
