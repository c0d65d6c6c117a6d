#pragma once
// Where an installation writes ahead what it is about to change: a key of the machine's
// registry, which only administrators and the system may write, which exists before the first
// folder of the installation does, and which every later run of the setup or the uninstaller
// finds wherever the interrupted installation was going. A run without administrator rights
// (which can change nothing of the machine's) keeps its log in the user's part instead.
// The text is kept in numbered values, one per piece written, so that nothing already written
// is rewritten; pieces are written at once, before the change they describe.
#include <string>

#include "install/registry/registry_ops.h"
#include "win/unique_handle.h"

namespace txn {

constexpr wchar_t kLogKey[] = L"SOFTWARE\\Lumiscope64 Transaction";

class TransactionLog {
public:
    // A new, empty log; false when neither the machine's nor the user's part can take it.
    bool Create();
    bool IsOpen() const { return static_cast<bool>(m_key); }
    // Writes one more piece of text; false when the registry refused it.
    bool Append(const std::string& text);
    // Makes what was written survive a power cut, not just the end of the process.
    void Flush();
    // Removes the log: the installation it belongs to is complete or taken back.
    void Erase();

    // The text of a log left by an earlier run, and where it is; false when there is none.
    static bool Find(std::string& text, reg::Root& where);
    static void Erase(reg::Root where);

private:
    win::RegKey m_key;
    reg::Root m_root = reg::Root::LocalMachine;
    unsigned m_pieces = 0;
};

}  // namespace txn
