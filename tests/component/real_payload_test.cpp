#include <gtest/gtest.h>

#include <map>
#include <set>

#include "extract_scratch.h"
#include "install/payload/payload.h"
#include "install/payload/zip_archive.h"

namespace {

// The payload this test program carries, unpacked through ExtractPayload. Its content grows
// with the viewer's files; tests on files it does not hold yet are skipped, not passed.
class RealPayload : public ExtractScratch {
protected:
    void SetUp() override {
        ExtractScratch::SetUp();
        PayloadArchive payload;
        ASSERT_TRUE(payload.LoadFromResource());
        ASSERT_TRUE(payload.HoldsViewer());
        for (const zip::Entry& entry : payload.entries()) {
            m_names.insert(entry.name);
            m_dosDates[entry.name] = entry.dosDate;
        }
    }

    bool Has(const std::wstring& name) const { return m_names.count(name) != 0; }
    static std::wstring Local(std::wstring name) {
        for (auto& c : name)
            if (c == L'/') c = L'\\';
        return name;
    }

    // True when the file's write time is its entry's DOS time read as local time: the fixed
    // time of the plain files, the source time of the built ones.
    bool HasEntryTime(const std::wstring& name) const {
        SYSTEMTIME local = LocalWriteTime(Target(Local(name)));
        FILETIME time = {};
        WORD date = 0, clock = 0;
        return ::SystemTimeToFileTime(&local, &time) && ::FileTimeToDosDateTime(&time, &date, &clock) &&
               MAKELONG(clock, date) == m_dosDates.at(name);
    }

    std::set<std::wstring> m_names;
    std::map<std::wstring, unsigned long> m_dosDates;
};

}  // namespace

TEST_F(RealPayload, EveryEntryArrivesWithItsEntryTime) {
    ASSERT_TRUE(Has(L"l_about.txt"));
    ASSERT_EQ(ExtractPayload(Target(), 0), 0);
    for (const auto& name : m_names) {
        EXPECT_TRUE(Exists(Target(Local(name)))) << name;
        if (name.back() != L'/') {
            EXPECT_TRUE(HasEntryTime(name)) << name;
            EXPECT_FALSE(Exists(Target(Local(name) + L".lm-new"))) << name;
        }
    }
    EXPECT_TRUE(IsArchiveTime(LocalWriteTime(Target(L"l_about.txt"))));
}

// The payload is read where the program's image lies, never through the temporary folder,
// where another process could put an archive of its own.
TEST_F(RealPayload, NothingOfTheTemporaryFolderIsReadOrTouched) {
    WriteAll(TempFolder() + L"lscopg_x64.zip", "planted by someone else");
    ::SetEnvironmentVariableW(L"TMP", (TempFolder() + L"missing\\").c_str());
    ::SetEnvironmentVariableW(L"TEMP", (TempFolder() + L"missing\\").c_str());
    EXPECT_EQ(ExtractPayload(Target(), 0), 0);
    EXPECT_TRUE(Exists(Target(L"l_about.txt")));
    EXPECT_EQ(ReadAll(TempFolder() + L"lscopg_x64.zip"), "planted by someone else");
}

TEST_F(RealPayload, KeptIconLibraryStaysAndIsReplacedOtherwise) {
    if (!Has(L"Plugins/Icons.dll")) GTEST_SKIP() << "the payload holds no Plugins/Icons.dll yet";
    ::CreateDirectoryW(Target(L"Plugins").c_str(), nullptr);
    std::wstring icons = Target(L"Plugins\\Icons.dll");
    WriteAll(icons, "installed icons");
    SetAllTimes(icons, OldTime());
    ASSERT_EQ(ExtractPayload(Target(), 1), 0);
    EXPECT_EQ(ReadAll(icons), "installed icons");
    EXPECT_TRUE(Attributes(icons).ftLastWriteTime == OldTime());
    EXPECT_TRUE(Attributes(icons).ftCreationTime == OldTime());
    EXPECT_TRUE(Exists(Target(L"l_about.txt")));

    ASSERT_EQ(ExtractPayload(Target(), 0), 0);
    EXPECT_NE(ReadAll(icons), "installed icons");
    EXPECT_TRUE(HasEntryTime(L"Plugins/Icons.dll"));
}

TEST_F(RealPayload, AHeldViewerFailsTheUnpackAndIsLeftAlone) {
    if (!Has(L"lu_scp64.exe")) GTEST_SKIP() << "the payload holds no lu_scp64.exe yet";
    WriteAll(Target(L"lu_scp64.exe"), "running viewer");
    HANDLE locked = ::CreateFileW(Target(L"lu_scp64.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    int result = ExtractPayload(Target(), 0);
    ::CloseHandle(locked);
    EXPECT_NE(result, 0);
    EXPECT_EQ(ReadAll(Target(L"lu_scp64.exe")), "running viewer");
    EXPECT_FALSE(Exists(Target(L"l_about.txt")));
}
