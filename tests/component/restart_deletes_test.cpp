#include <windows.h>

#include <gtest/gtest.h>

#include "install/recovery/replaced_file.h"
#include "support/engine_scratch.h"
#include "win/unique_handle.h"

namespace {

using enginetest::ScratchFolder;

std::wstring Upper(std::wstring text) {
    ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::wstring PendingRenames() {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0, KEY_QUERY_VALUE,
                        &raw) != ERROR_SUCCESS)
        return {};
    win::RegKey key(raw);
    std::wstring text(64 * 1024, L'\0');
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key.get(), L"PendingFileRenameOperations", nullptr, nullptr,
                           reinterpret_cast<BYTE*>(text.data()), &bytes) != ERROR_SUCCESS)
        return {};
    text.resize(bytes / sizeof(wchar_t));
    for (wchar_t& c : text)
        if (!c) c = L'\n';
    return Upper(text);
}

}  // namespace

// A backup that another process holds goes at the restart only inside the program folder,
// which only administrators may change; in a folder the user may write (the settings folder)
// the restart would delete by path through whatever that path leads to by then.
TEST(RestartDeletes, AHeldBackupIsScheduledOnlyInsideTheProgramFolder) {
    ScratchFolder scratch;
    struct Case { const wchar_t* folder; bool scheduled; };
    const Case cases[] = {{L"Settings", false}, {L"Program", true}};
    const std::wstring programFolder = scratch / L"Program\\";
    for (const Case& c : cases) {
        ::CreateDirectoryW((scratch / c.folder).c_str(), nullptr);
        const std::wstring file = scratch / c.folder + L"\\lu_scp64.ini";
        enginetest::WriteBytes(file + txn::kBackupSuffix, "old");
        win::File held(::CreateFileW((file + txn::kBackupSuffix).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held) << c.folder;
        txn::DropBackup(file, programFolder);
        EXPECT_TRUE(enginetest::Exists(file + txn::kBackupSuffix)) << c.folder;
        EXPECT_EQ(PendingRenames().find(Upper(file + txn::kBackupSuffix)) != std::wstring::npos, c.scheduled) << c.folder;
    }
}
