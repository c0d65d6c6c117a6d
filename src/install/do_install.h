#pragma once
#include "app/install_request.h"

// What stopped an installation; Done when every step ran (later steps never fail it).
enum class InstallStatus { Done, InvalidFolder, FolderNotCreated, PayloadFailed };

// Carries out one request on the calling thread. In wizard mode (silent == 0) failures and
// the association question are message boxes captioned request.caption; in silent mode
// failures go to the install log. May set request.iniFolder (silent rule of the settings).
InstallStatus RunInstall(InstallRequest& request);

// 1 when the installation was carried out, 0 when it stopped at a failure.
inline int DoInstall(InstallRequest& request) { return RunInstall(request) == InstallStatus::Done ? 1 : 0; }
