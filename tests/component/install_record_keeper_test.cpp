#include <gtest/gtest.h>

#include <zlib.h>

#include "install/do_install.h"
#include "install/record/install_record.h"
#include "install/step_log.h"
#include "support/engine_scratch.h"
#include "support/scratch_registry.h"
#include "win/text.h"

using namespace enginetest;

namespace {

const std::wstring kJpg = L"SOFTWARE\\Classes\\.jpg";

// A silent installation into a scratch folder and a scratch registry.
class RecordedInstall : public ::testing::Test {
protected:
    ScratchFolder scratch;
    testsupport::ScratchRegistry registry{L"record"};
    ScopedEnvironment tmp{L"TMP", scratch.path().c_str()};
    ScopedEnvironment temp{L"TEMP", scratch.path().c_str()};
    std::wstring previousDirectory = CurrentDirectory();
    std::wstring target = scratch / L"Lumiscope\\";

    void TearDown() override { ::SetCurrentDirectoryW(previousDirectory.c_str()); }

    InstallStatus Install() {
        InstallRequest request;
        request.silent = 1;
        request.targetFolder = target;
        InstallStatus status = RunInstall(request);
        ::SetCurrentDirectoryW(previousDirectory.c_str());
        return status;
    }
    record::InstallRecord Record() {
        record::InstallRecord r;
        EXPECT_TRUE(record::ParseRecord(ReadBytes(target + record::kRecordFileName), r));
        return r;
    }
    static const record::RecordedValue* Find(const record::InstallRecord& r, const std::wstring& key) {
        for (const auto& v : r.values)
            if (v.key == key && v.name.empty()) return &v;
        return nullptr;
    }
    static record::ValueData Text(const std::wstring& text) {
        const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
        return record::ValueData{true, REG_SZ, {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)}};
    }
};

}  // namespace

TEST_F(RecordedInstall, KeepsWhatItDidAndAnUpgradeKeepsTheStateFromBeforeTheFirst) {
    ASSERT_TRUE(testsupport::WriteString(HKEY_LOCAL_MACHINE, kJpg, nullptr, L"Other.jpg"));
    ASSERT_EQ(Install(), InstallStatus::Done);
    record::InstallRecord first = Record();
    EXPECT_EQ(first.programFolder, target);
    EXPECT_TRUE(record::IsRecordSafe(first));
    ASSERT_GT(first.files.size(), 30u);
    for (const auto& file : first.files) {
        const std::string bytes = ReadBytes(target + file.path);
        EXPECT_EQ(file.size, bytes.size()) << file.path;
        EXPECT_EQ(file.crc, crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())))
            << file.path;
    }
    ASSERT_NE(Find(first, kJpg), nullptr);
    EXPECT_EQ(Find(first, kJpg)->before, Text(L"Other.jpg"));
    EXPECT_EQ(Find(first, kJpg)->written, Text(L"Lumiscope.jpg"));
    ASSERT_NE(Find(first, L"SOFTWARE\\Classes\\Lumiscope.png"), nullptr);
    EXPECT_FALSE(Find(first, L"SOFTWARE\\Classes\\Lumiscope.png")->before.exists);
    auto created = [&](const record::InstallRecord& r, const std::wstring& key) {
        for (const auto& k : r.createdKeys)
            if (k.key == key) return true;
        return false;
    };
    EXPECT_TRUE(created(first, L"SOFTWARE\\Classes\\Lumiscope.png"));
    EXPECT_TRUE(created(first, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lumiscope64"));

    ASSERT_EQ(Install(), InstallStatus::Done);
    record::InstallRecord second = Record();
    EXPECT_EQ(Find(second, kJpg)->before, Text(L"Other.jpg"));
    EXPECT_TRUE(created(second, L"SOFTWARE\\Classes\\Lumiscope.png"));
    EXPECT_EQ(second.files.size(), first.files.size());
}

TEST_F(RecordedInstall, ARecordThatCannotBeWrittenFailsNothingButTheLogSaysSo) {
    ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((target + record::kRecordFileName).c_str(), nullptr));
    const std::wstring logPath = scratch / L"steps.log";
    {
        StepLog log;
        std::wstring why;
        ASSERT_TRUE(log.Open(logPath, why)) << win::ToUtf8(why);
        ScopedJournal listening(log);
        EXPECT_EQ(Install(), InstallStatus::Done);
    }
    EXPECT_TRUE(Exists(target + L"lu_scp64.exe"));
    const std::string text = ReadBytes(logPath);
    EXPECT_NE(text.find("] record: failed: not written: " + Latin1(target) + "lm_install.rec: Win32 error "),
              std::string::npos);
    for (const char* phase : {"folder", "payload", "settings", "links", "registry", "record"}) {
        EXPECT_NE(text.find(std::string("] ") + phase + ": begin\r\n"), std::string::npos) << phase;
        EXPECT_NE(text.find(std::string("] ") + phase + ": end\r\n"), std::string::npos) << phase;
    }
    EXPECT_NE(text.find("] payload: wrote lu_scp64.exe ("), std::string::npos);
    EXPECT_NE(text.find("] registry: set HKLM\\SOFTWARE\\Classes\\.jpg (default) = \"Lumiscope.jpg\" (was absent)"),
              std::string::npos);
}
