#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "support/engine_scratch.h"
#include "support/paths.h"
#include "support/setup_runner.h"

using namespace enginetest;

namespace {

// A copy of the built setup whose payload resource is replaced by a damaged archive, as a
// broken download would carry it. The resource compiler files the payload under US English.
std::wstring SetupWithPayload(const ScratchFolder& folder, const std::wstring& archive) {
    const std::wstring copy = folder / L"DamagedSetup.exe";
    if (!::CopyFileW(testsupport::BuildPath(L"Lumiscope64Setup.exe").c_str(), copy.c_str(), FALSE)) return L"";
    const std::string bytes = ReadBytes(archive);
    HANDLE update = ::BeginUpdateResourceW(copy.c_str(), FALSE);
    if (!update) return L"";
    bool replaced = ::UpdateResourceW(update, L"ZIP", MAKEINTRESOURCEW(1974), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                      const_cast<char*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    return ::EndUpdateResourceW(update, !replaced) && replaced ? copy : L"";
}

class DamagedSetup : public ::testing::TestWithParam<const wchar_t*> {};

}  // namespace

TEST_P(DamagedSetup, EndsWithCode4AndOneLogEntryAndLeavesTheTargetAsItWas) {
    ScratchFolder folder;
    const std::wstring setup = SetupWithPayload(folder, testsupport::BuildPath(L"tests/fixtures/archives/") + GetParam() + L".zip");
    ASSERT_FALSE(setup.empty());
    const std::wstring target = folder / L"Target";
    ASSERT_TRUE(::CreateDirectoryW(target.c_str(), nullptr));
    WriteBytes(target + L"\\mine.txt", "the user's");

    testsupport::SetupRun run = testsupport::RunSetupCopy(setup, L"/silent /folder=" + target, folder.path());
    EXPECT_EQ(run.exitCode, 4u);
    const std::string text = OnlyLogEntryText(ReadBytes(folder / L"Lumiscope_Install.log"));
    EXPECT_EQ(text.substr(0, target.size() + 3), Latin1(target + L"\\: "));
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(target)) entries += entry.exists();
    EXPECT_EQ(entries, 1u);
    EXPECT_EQ(ReadBytes(target + L"\\mine.txt"), "the user's");
}

INSTANTIATE_TEST_SUITE_P(Payloads, DamagedSetup,
                         // A payload without the viewer's program (none at all, or other files only)
                         // would register a program that does not exist.
                         ::testing::Values(L"crc", L"size_claim", L"case_twins", L"traversal_up", L"empty",
                                           L"missing_folder"),
                         [](const auto& info) {
                             std::wstring w = info.param;
                             return std::string(w.begin(), w.end());
                         });
