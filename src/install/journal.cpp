#include "install/journal.h"

#include <algorithm>

namespace {

// Hands every report to each journal in force, in the order they were put in force.
class Dispatcher : public InstallJournal {
public:
    std::vector<InstallJournal*> listeners;

    void WillCreateFolder(const std::wstring& path) override { Each([&](InstallJournal& j) { j.WillCreateFolder(path); }); }
    void WillCreateFolders(const std::vector<PlannedFolder>& folders) override {
        Each([&](InstallJournal& j) { j.WillCreateFolders(folders); });
    }
    void WillReplaceFiles(const std::vector<PlannedFile>& files) override {
        Each([&](InstallJournal& j) { j.WillReplaceFiles(files); });
    }
    void WillSetAside(const std::wstring& path) override { Each([&](InstallJournal& j) { j.WillSetAside(path); }); }
    void BackupMade(const std::wstring& path) override { Each([&](InstallJournal& j) { j.BackupMade(path); }); }
    void Progress(uint64_t done, uint64_t total) override { Each([&](InstallJournal& j) { j.Progress(done, total); }); }
    void WillCreateKey(reg::Root root, const std::wstring& key) override {
        Each([&](InstallJournal& j) { j.WillCreateKey(root, key); });
    }
    void WillWriteValue(reg::Root root, const std::wstring& key, const std::wstring& name, const reg::ValueState& before,
                        const reg::ValueState& written) override {
        Each([&](InstallJournal& j) { j.WillWriteValue(root, key, name, before, written); });
    }
    void WillDeleteKey(reg::Root root, const std::wstring& key, const reg::HeldValues& values) override {
        Each([&](InstallJournal& j) { j.WillDeleteKey(root, key, values); });
    }
    void PhaseBegins(const wchar_t* p) override { Each([&](InstallJournal& j) { j.PhaseBegins(p); }); }
    void PhaseEnds(const wchar_t* p) override { Each([&](InstallJournal& j) { j.PhaseEnds(p); }); }
    void FolderCreated(const std::wstring& path) override { Each([&](InstallJournal& j) { j.FolderCreated(path); }); }
    void FileWritten(const std::wstring& relative, uint64_t size, uint32_t crc) override {
        Each([&](InstallJournal& j) { j.FileWritten(relative, size, crc); });
    }
    void FileLeftAsItWas(const std::wstring& relative, DWORD error) override {
        Each([&](InstallJournal& j) { j.FileLeftAsItWas(relative, error); });
    }
    void LinkSaved(const std::wstring& path) override { Each([&](InstallJournal& j) { j.LinkSaved(path); }); }
    void LinkNotSaved(const std::wstring& path, HRESULT result) override {
        Each([&](InstallJournal& j) { j.LinkNotSaved(path, result); });
    }
    void SettingsFileCreated(const std::wstring& path) override {
        Each([&](InstallJournal& j) { j.SettingsFileCreated(path); });
    }
    void RedirectFileCreated(const std::wstring& path) override {
        Each([&](InstallJournal& j) { j.RedirectFileCreated(path); });
    }
    void Failed(const wchar_t* p, const std::wstring& what, DWORD error) override {
        Each([&](InstallJournal& j) { j.Failed(p, what, error); });
    }
    void Note(const wchar_t* p, const std::wstring& text) override { Each([&](InstallJournal& j) { j.Note(p, text); }); }
    void KeyCreated(reg::Root root, const std::wstring& key) override {
        Each([&](InstallJournal& j) { j.KeyCreated(root, key); });
    }
    void KeyDeleted(reg::Root root, const std::wstring& key, const reg::HeldValues& values) override {
        Each([&](InstallJournal& j) { j.KeyDeleted(root, key, values); });
    }
    void ValueWritten(reg::Root root, const std::wstring& key, const std::wstring& name, const reg::ValueState& before,
                      const reg::ValueState& written) override {
        Each([&](InstallJournal& j) { j.ValueWritten(root, key, name, before, written); });
    }
    void WriteRefused(const reg::Write& write, LONG error) override {
        Each([&](InstallJournal& j) { j.WriteRefused(write, error); });
    }

private:
    template <typename Call>
    void Each(const Call& call) {
        for (InstallJournal* listener : listeners) call(*listener);
    }
};

Dispatcher& TheDispatcher() {
    static Dispatcher dispatcher;
    return dispatcher;
}

}  // namespace

InstallJournal& Journal() { return TheDispatcher(); }

ScopedJournal::ScopedJournal(InstallJournal& journal) : m_journal(journal) {
    TheDispatcher().listeners.push_back(&journal);
}

ScopedJournal::~ScopedJournal() {
    auto& listeners = TheDispatcher().listeners;
    listeners.erase(std::remove(listeners.begin(), listeners.end(), &m_journal), listeners.end());
}
