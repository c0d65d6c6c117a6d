#pragma once
// Where an installation writes ahead what it is about to change: a key of the machine's
// registry, which only administrators and the system may write, which exists before the first
// folder of the installation does, and which every later run of the setup or the uninstaller
// finds wherever the interrupted installation was going. What a log says steers a run with
// administrator rights, so it is read and written there and nowhere else: a run that cannot
// write there changes nothing at all (CanBeKept, asked before anything else).
// A user's installation keeps its log in the same name below HKCU\Software (install_places.h):
// a run of the machine's scope never reads it.
// The text is kept in numbered values, one per piece written, so that nothing already written
// is rewritten; pieces are written at once, before the change they describe.
#include <string>

#include "win/unique_handle.h"

namespace txn {

// What a run that cannot keep the log tells (exit code 740), one that finds a log it must not
// act on (exit code 11), and a per-user run with rights its desktop's user does not have (exit
// code 14): in the setup's install log or a box, in the uninstaller's log or box.
constexpr wchar_t kElevationRequiredText[] =
    L"Lumiscope kann nur mit Administratorrechten installiert oder entfernt werden. Es wurde nichts ge\u00e4ndert.";
constexpr wchar_t kUserScopeElevatedText[] =
    L"Lumiscope f\u00fcr Sie allein wird ohne Administratorrechte installiert und entfernt: Was f\u00fcr Sie allein "
    L"gespeichert ist, k\u00f6nnen Ihre Programme auch ohne diese Rechte \u00e4ndern. Starten Sie das Programm ohne "
    L"\u201eAls Administrator ausf\u00fchren\u201c. Es wurde nichts ge\u00e4ndert.";
// The second names the log's key of the run's scope.
std::wstring LogRefusedText();

class TransactionLog {
public:
    // True when this process may make the log (and so change the machine at all): it can
    // create keys below the machine's SOFTWARE key. Asks without changing anything.
    static bool CanBeKept();

    // A new, empty log; false when the machine's registry cannot take it.
    bool Create();
    bool IsOpen() const { return static_cast<bool>(m_key); }
    // Writes one more piece of text; false when the registry refused it.
    bool Append(const std::string& text);
    // Makes what was written survive a power cut, not just the end of the process.
    void Flush();
    // Removes the log: the installation it belongs to is complete or taken back.
    void Erase();

    // The text of a log left by an earlier run; false when there is none.
    static bool Find(std::string& text);
    static void EraseFound();

private:
    win::RegKey m_key;
    unsigned m_pieces = 0;
};

}  // namespace txn
