#include <gtest/gtest.h>

#include <windows.h>

#include "install/recovery/pending_renames.h"
#include "install/recovery/transaction.h"
#include "support/scratch_registry.h"

namespace {

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPending[] = L"PendingFileRenameOperations";

std::vector<BYTE> MultiString(const std::wstring& text) {
    const auto* bytes = reinterpret_cast<const BYTE*>(text.data());
    return std::vector<BYTE>(bytes, bytes + text.size() * sizeof(wchar_t));
}

std::vector<BYTE> Pending(HKEY machine) {
    DWORD type = 0;
    std::vector<BYTE> data;
    return testsupport::ReadValue(machine, kSessionManager, kPending, type, data) && type == REG_MULTI_SZ ? data
                                                                                                         : std::vector<BYTE>();
}

}  // namespace

// The removal's own file and folder leave the restart's list ahead of the new files; a run that
// is taken back puts the list back as it was, and an unrelated entry is never touched.
TEST(PendingRenames, TakenOutWrittenAheadAndPutBackOnRollBack) {
    testsupport::ScratchRegistry registry{L"pending"};
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(registry.machine(), kSessionManager, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring before(L"\\??\\C:\\P\\lm_uninstall.exe\0\0\\??\\C:\\Other\\x.tmp\0\0\\??\\C:\\P\0\0\0", 58);
    const std::vector<BYTE> data = MultiString(before);
    ::RegSetValueExW(key, kPending, 0, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size()));
    ::RegCloseKey(key);

    txn::Transaction transaction;
    transaction.BeginInMemory(L"C:\\P\\");
    ASSERT_TRUE(txn::KeepFromPendingRenames({L"C:\\P\\lm_uninstall.exe", L"C:\\P\\Html\\index.htm"}, transaction));
    EXPECT_EQ(Pending(registry.machine()), MultiString(std::wstring(L"\\??\\C:\\Other\\x.tmp\0\0\0", 21)));
    transaction.RollBack();
    EXPECT_EQ(Pending(registry.machine()), data);

    // Nothing of the installation's in the list: the value is left alone.
    ASSERT_TRUE(txn::KeepFromPendingRenames({L"D:\\Q\\lm_uninstall.exe"}, transaction));
    EXPECT_EQ(Pending(registry.machine()), data);
}
