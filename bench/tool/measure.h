#pragma once
// Timings taken inside Wine, where the host cannot see: how long until a process shows
// something, and how long a bare process lives.
#include <string>

// Starts `exe` (no arguments: the wizard) `runs` times and prints, per run, the milliseconds
// from just before CreateProcess until the sheet's first page is painted, and until it was
// first seen visible; the process is then ended. False when a run shows no page in time.
bool MeasureWizardStart(const std::wstring& exe, int runs);

// Starts `exe` `runs` times and prints, per run, the milliseconds until it has ended.
bool MeasureProcessLife(const std::wstring& exe, int runs);

// Keeps a window on the desktop until the process is ended, so that Wine keeps its desktop
// process running between the timed runs, as Windows keeps its shell.
void HoldDesktop();

// Starts what the shell's link objects need (the RPC server, the desktop process) by saving
// and deleting one link in the temporary folder, as a running Windows has them already.
bool WarmUpShellLinks();

// Runs `commandLine` to its end, reading its counters with GetProcessMemoryInfo every
// millisecond or two, and prints "memory <exit code> <largest PrivateUsage> <largest
// PagefileUsage> <last PeakPagefileUsage> <last PeakWorkingSetSize>" in KiB: what the system
// itself reports about the process, to set beside what the host samples.
bool MeasureMemory(const std::wstring& commandLine);
