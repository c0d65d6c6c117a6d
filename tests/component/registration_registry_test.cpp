#include <gtest/gtest.h>

#include <windows.h>

#include "win/platform.h"
#include "install/journal.h"
#include "install/registry/registration.h"
#include "support/scratch_registry.h"

using testsupport::KeyExists;
using testsupport::ReadValue;
using testsupport::ScratchRegistry;
using testsupport::SubkeyNames;
using testsupport::ValueNames;

namespace {

using Selection = std::array<int, kAssocSelectionSize>;

constexpr wchar_t kFolder[] = L"C:\\Program Files\\Lumiscope ";
constexpr wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64";
constexpr wchar_t kAssociations[] = L"SOFTWARE\\Lumiscope\\Capabilities\\FileAssociations";
constexpr wchar_t kRegisteredApps[] = L"SOFTWARE\\RegisteredApplications";

// What a run tells of one key: the changes it announces, and the values it reports as written.
struct KeyWatch : InstallJournal {
    explicit KeyWatch(std::wstring key) : key(std::move(key)) {}
    void WillDeleteKey(reg::Root, const std::wstring& k, const reg::HeldValues&) override { changes += k == key; }
    void WillWriteValue(reg::Root, const std::wstring& k, const std::wstring&, const reg::ValueState&,
                        const reg::ValueState&) override {
        changes += k == key;
    }
    void ValueWritten(reg::Root, const std::wstring& k, const std::wstring& name, const reg::ValueState&,
                      const reg::ValueState&) override {
        if (k == key) reported.push_back(name);
    }
    std::wstring key;
    int changes = 0;
    std::vector<std::wstring> reported;
};

Selection JpegRow() {
    Selection selection{};
    selection[23] = 1;
    return selection;
}

class RegistrationRegistry : public ::testing::Test {
protected:
    void SetUp() override { SetWindowsVersionClassForTesting(10); }
    void TearDown() override { SetWindowsVersionClassForTesting(0); }

    HKEY Scratch(reg::Root root) const {
        if (root == reg::Root::CurrentUser) return m_reg.user();
        return root == reg::Root::ClassesRoot ? m_reg.classes() : m_reg.machine();
    }

    // Windows has this key; the registration only opens it.
    static void CreateSystemKey(const wchar_t* path, DWORD options = 0) {
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &key, nullptr) ==
            ERROR_SUCCESS)
            ::RegCloseKey(key);
    }

    // The value a write left, with its type and exact size.
    void ExpectWritten(const reg::Write& w) {
        SCOPED_TRACE(w.key + L"|" + w.valueName);
        HKEY root = Scratch(w.root);
        if (w.op == reg::Op::DeleteKey || w.op == reg::Op::CreateKey) {
            EXPECT_EQ(KeyExists(root, w.key), w.op == reg::Op::CreateKey);
            return;
        }
        DWORD type = 0;
        std::vector<BYTE> data;
        ASSERT_TRUE(ReadValue(root, w.key, w.op == reg::Op::SetDefault ? nullptr : w.valueName.c_str(), type, data));
        if (w.op == reg::Op::SetDword) {
            EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
            ASSERT_EQ(data.size(), sizeof(DWORD));
            EXPECT_EQ(*reinterpret_cast<const DWORD*>(data.data()), w.number);
            return;
        }
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        ASSERT_EQ(data.size(), (w.text.size() + 1) * sizeof(wchar_t)) << "terminator counted";
        EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data()), w.text.size()), w.text);
    }

    ScratchRegistry m_reg{L"registration"};
};

}  // namespace

// All shortcut flags 0, so nothing but the (scratch) registry is touched.
TEST_F(RegistrationRegistry, EveryEntryIsWrittenWithItsTypeAndSize) {
    CreateSystemKey(kRegisteredApps);
    ::RegSetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Lumiscope\\DefaultIcon", REG_SZ, L"old.exe,3", 0);
    EXPECT_EQ(RegisterViewer(1, kFolder, 0, 0, 0, 0, JpegRow()), 1);

    auto writes = RegistrationWrites(1, kFolder, 0, JpegRow(), 10);
    // The application and uninstall entries (with the quiet uninstall command, the date and
    // no change or repair), the event source's two values, four per extension, six extension
    // keys, four user choices, five NoOpenWith.
    ASSERT_EQ(writes.size(), 24u + 2 + 87 * 4 + 6 + 4 + 5);
    for (const reg::Write& w : writes) ExpectWritten(w);

    HKEY lm = m_reg.machine();
    EXPECT_TRUE(KeyExists(lm, L"Software\\Classes\\Applications\\lu_scp64.exe")) << "HKCR lands in the machine classes";
    EXPECT_EQ(ValueNames(lm, kAssociations).size(), 87u);
    EXPECT_FALSE(KeyExists(lm, L"SOFTWARE\\Classes\\.bmp"));
    EXPECT_FALSE(KeyExists(lm, L"SOFTWARE\\Classes\\Directory\\shell")) << "no verb without the thumbnails choice";
}

TEST_F(RegistrationRegistry, SecondRunLeavesTheSameTreeAndReplacesAnOldUserChoice) {
    const std::wstring choice = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpe\\UserChoice";
    ::RegSetKeyValueW(HKEY_CURRENT_USER, choice.c_str(), L"Progid", REG_SZ, L"Other.jpe", 20);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, choice.c_str(), L"Hash", REG_SZ, L"abc", 8);
    RegisterViewer(1, kFolder, 0, 0, 0, 0, JpegRow());
    auto first = m_reg.Dump();
    EXPECT_GT(first.size(), 380u);
    EXPECT_EQ(ValueNames(m_reg.user(), choice), std::vector<std::wstring>{L"Progid"}) << "the key is made anew";
    KeyWatch watch(choice);
    {
        ScopedJournal listening(watch);
        RegisterViewer(1, kFolder, 0, 0, 0, 0, JpegRow());
    }
    EXPECT_EQ(m_reg.Dump(), first);
    // Found as it would be written, the key is left alone, yet its value is the run's as before.
    EXPECT_EQ(watch.changes, 0);
    EXPECT_EQ(watch.reported, std::vector<std::wstring>{L"Progid"});
}

TEST_F(RegistrationRegistry, NothingPerUserOnWindowsElevenAndMissingKeysStayMissing) {
    SetWindowsVersionClassForTesting(11);
    RegisterViewer(1, kFolder, 0, 0, 0, 0, Selection{});
    EXPECT_TRUE(SubkeyNames(m_reg.user(), L"").empty());
    EXPECT_FALSE(KeyExists(m_reg.machine(), kRegisteredApps)) << "opened, never created";
}

// Refused writes are skipped and the registration goes on. The refusal is a real one: the
// system will not put a lasting key under a volatile one.
TEST_F(RegistrationRegistry, RefusedWritesDoNotStopTheRest) {
    CreateSystemKey(L"SOFTWARE\\Classes\\Applications", REG_OPTION_VOLATILE);
    CreateSystemKey(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", REG_OPTION_VOLATILE);
    CreateSystemKey(kRegisteredApps);
    ASSERT_NE(::RegSetValueW(HKEY_CLASSES_ROOT, L"Applications\\Probe", REG_SZ, L"x", 0), ERROR_SUCCESS)
        << "the system accepted a lasting key under a volatile one";

    EXPECT_EQ(RegisterViewer(1, kFolder, 0, 0, 0, 0, Selection{}), 1);

    HKEY lm = m_reg.machine();
    EXPECT_TRUE(SubkeyNames(lm, L"Software\\Classes\\Applications").empty());
    EXPECT_FALSE(KeyExists(lm, kUninstall));
    EXPECT_TRUE(KeyExists(lm, L"SOFTWARE\\Lumiscope\\shell\\open\\command"));
    EXPECT_EQ(ValueNames(lm, kRegisteredApps), std::vector<std::wstring>{L"Lumiscope"});
    EXPECT_EQ(ValueNames(lm, kAssociations).size(), 87u);
}
