#include "app/interactive_start.h"

#include <windows.h>

#include "app/command_line.h"
#include "app/the_app.h"
#include "install/install_log.h"
#include "install/journal.h"
#include "win/window_station.h"

namespace {

constexpr wchar_t kNoDesktopText[] =
    L"Der Installationsassistent kann in dieser Sitzung nicht angezeigt werden (kein sichtbarer Desktop, "
    L"z. B. als Dienst oder als SYSTEM). Es wurde nichts installiert. Verwenden Sie /silent für eine "
    L"Installation ohne Fenster.";

constexpr wchar_t kHelpCaption[] = L"Lumiscope 64-bit Setup - Befehlszeile";
constexpr wchar_t kHelpText[] =
    L"Lumiscope64Setup.exe [/silent] [Optionen]\n\n"
    L"/silent\tohne Fenster installieren (genau so geschrieben)\n"
    L"/folder=PFAD\tZielordner\n"
    L"/desktop=1\tVerknüpfung auf dem Desktop\n"
    L"/thumbs=1\tVerknüpfung zur Miniaturansicht, \"Durchsuchen mit Lumiscope\"\n"
    L"/group=1\tProgrammgruppe im Startmenü\n"
    L"/allusers=1\tVerknüpfungen für alle Benutzer\n"
    L"/scope=user\tnur für den aktuellen Benutzer installieren, ohne Administratorrechte\n"
    L"/scope=machine\tfür alle Benutzer installieren (Vorgabe)\n"
    L"/assoc=1 | 2\tBildformate | alle Formate mit Lumiscope verknüpfen\n"
    L"/ini=ORDNER\tOrdner der Einstellungsdatei\n"
    L"/log=PFAD\tProtokoll jedes Schritts\n"
    L"/closeviewer=1\tein laufendes Lumiscope schließen und danach wieder starten\n"
    L"/unsafefolder=1\tZielordner trotzdem verwenden, den auch andere Benutzer als Administratoren ändern dürfen\n\n"
    L"Ein Wert reicht bis zum nächsten \"/\" und darf in Anführungszeichen stehen.\n"
    L"Ohne /silent öffnet sich der Assistent. Es wurde nichts installiert.";

}  // namespace

int RefuseInteractiveStart(const std::wstring& commandLine) {
    if (!win::HasVisibleWindowStation()) {
        Journal().Note(L"setup", L"no visible desktop for the wizard (use /silent): nothing installed");
        AppendInstallLog(kNoDesktopText);
        return kExitNoDesktop;
    }
    if (!AsksForHelp(commandLine)) return -1;
    ::MessageBoxW(nullptr, kHelpText, kHelpCaption, MB_ICONINFORMATION);
    return kExitHelpShown;
}
