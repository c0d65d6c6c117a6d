#pragma once
// What an installation does, reported as it happens, to whoever listens: the install record
// (what an uninstaller must take away) and the step log an administrator asks for. The engine
// reports to the journal in force; when nobody listens nothing is kept and nothing is slow.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "install/registry/registry_ops.h"

// The phases of an installation, as the step log names them.
namespace phase {
constexpr wchar_t kFolder[] = L"folder";
constexpr wchar_t kPayload[] = L"payload";
constexpr wchar_t kSettings[] = L"settings";
constexpr wchar_t kLinks[] = L"links";
constexpr wchar_t kRegistry[] = L"registry";
constexpr wchar_t kNotify[] = L"notify";
constexpr wchar_t kRecord[] = L"record";
}  // namespace phase

// A file the installation is about to replace or make, by its full path, and whether it
// existed before.
struct PlannedFile {
    std::wstring path;
    bool existed = false;
};

// A folder the installation is about to make, and whether it is made beside its place first
// ("<path>.lm-new", with what goes into it) to be put in place whole.
struct PlannedFolder {
    std::wstring path;
    bool staged = false;
};

class InstallJournal : public reg::Observer {
public:
    // Told before each change, so that a write-ahead log can hold it before it happens: a
    // folder about to be made; files about to be replaced or made (the payload's all at once,
    // a link or a settings file one by one: a changed file keeps a backup until the end); a
    // file about to be set aside (it goes at the end).
    virtual void WillCreateFolder(const std::wstring& /*path*/) {}
    virtual void WillCreateFolders(const std::vector<PlannedFolder>& /*folders*/) {}
    virtual void WillReplaceFiles(const std::vector<PlannedFile>& /*files*/) {}
    virtual void WillSetAside(const std::wstring& /*path*/) {}
    // A file's earlier state was kept as its backup (it goes when the installation completes).
    virtual void BackupMade(const std::wstring& /*path*/) {}
    // How far the payload has got, in bytes written of all.
    virtual void Progress(uint64_t /*done*/, uint64_t /*total*/) {}

    virtual void PhaseBegins(const wchar_t* /*phase*/) {}
    virtual void PhaseEnds(const wchar_t* /*phase*/) {}
    // Full path of a folder that did not exist before.
    virtual void FolderCreated(const std::wstring& /*path*/) {}
    // A payload file, by its path relative to the program folder ("\" separators).
    virtual void FileWritten(const std::wstring& /*relative*/, uint64_t /*size*/, uint32_t /*crc*/) {}
    virtual void FileLeftAsItWas(const std::wstring& /*relative*/, DWORD /*error*/) {}
    virtual void LinkSaved(const std::wstring& /*path*/) {}
    virtual void LinkNotSaved(const std::wstring& /*path*/, HRESULT /*result*/) {}
    // The viewer's settings file, and a settings file in the program folder that only points
    // to it, when the installation made them.
    virtual void SettingsFileCreated(const std::wstring& /*path*/) {}
    virtual void RedirectFileCreated(const std::wstring& /*path*/) {}
    // Anything else worth a line: a failure with its Win32 error (0 when there is none).
    virtual void Failed(const wchar_t* /*phase*/, const std::wstring& /*what*/, DWORD /*error*/) {}
    virtual void Note(const wchar_t* /*phase*/, const std::wstring& /*text*/) {}
};

// The journal in force: every journal put in force by a ScopedJournal hears every report.
InstallJournal& Journal();

// Puts a journal in force for the lifetime of this object.
class ScopedJournal {
public:
    explicit ScopedJournal(InstallJournal& journal);
    ~ScopedJournal();
    ScopedJournal(const ScopedJournal&) = delete;
    ScopedJournal& operator=(const ScopedJournal&) = delete;

private:
    InstallJournal& m_journal;
};

// Marks a phase from construction to destruction.
class JournalPhase {
public:
    explicit JournalPhase(const wchar_t* name) : m_name(name) { Journal().PhaseBegins(name); }
    ~JournalPhase() { Journal().PhaseEnds(m_name); }
    JournalPhase(const JournalPhase&) = delete;
    JournalPhase& operator=(const JournalPhase&) = delete;

private:
    const wchar_t* m_name;
};
