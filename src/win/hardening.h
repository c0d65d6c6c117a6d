#pragma once
// Start-up hardening shared by the programs.

namespace win {

// Libraries are then looked for in the system folder only, never beside the program (which
// may sit in a downloads or temp folder among planted DLLs). Systems without the call keep
// their search order.
void HardenDllSearchPath();

}  // namespace win
