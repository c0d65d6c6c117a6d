#include <gtest/gtest.h>

#include "extract_scratch.h"
#include "install/payload/payload.h"

namespace {

class Unpack : public ExtractScratch {
protected:
    int Run(const wchar_t* fixture, int keep = 0) {
        return UnpackArchive(Fixture(std::wstring(L"archives/") + fixture + L".zip"), Target(), keep);
    }
};

class DamagedArchive : public Unpack, public ::testing::WithParamInterface<const wchar_t*> {};

}  // namespace

TEST_F(Unpack, FileWithoutItsFolderEntryIsWrittenAndStaysInTheTarget) {
    ASSERT_EQ(Run(L"missing_folder"), 0);
    std::string deep;
    for (int i = 0; i < 100; ++i) deep += "deep\r\n";
    EXPECT_EQ(ReadAll(Target(L"sub\\deeper\\file.txt")), deep);
    EXPECT_EQ(ReadAll(Target(L"top.txt")), "top\r\n");
    EXPECT_TRUE(IsArchiveTime(LocalWriteTime(Target(L"top.txt"))));
    wchar_t current[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH + 1, current);
    EXPECT_EQ(std::wstring(current) + L"\\", Target());
}

TEST_F(Unpack, ZeroEntriesSucceedAndWriteNothing) {
    EXPECT_EQ(Run(L"empty"), 0);
    EXPECT_TRUE(ListTree(Target()).empty());
}

// A file held by another process cannot be replaced: nothing is, rather than some.
TEST_F(Unpack, AHeldFileFailsTheUnpackAndNothingIsWritten) {
    WriteAll(Target(L"top.txt"), "in use");
    HANDLE locked = ::CreateFileW(Target(L"top.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    int result = Run(L"missing_folder");
    ::CloseHandle(locked);
    EXPECT_NE(result, 0);
    EXPECT_EQ(ReadAll(Target(L"top.txt")), "in use");
    EXPECT_FALSE(Exists(Target(L"sub")));
}

TEST_F(Unpack, KeepingTheIconLibrarySkipsItsEntryOnly) {
    ::CreateDirectoryW(Target(L"Plugins").c_str(), nullptr);
    WriteAll(Target(L"Plugins\\Icons.dll"), "installed icons");
    SetAllTimes(Target(L"Plugins\\Icons.dll"), OldTime());
    ASSERT_EQ(Run(L"with_icons", 1), 0);
    EXPECT_EQ(ReadAll(Target(L"Plugins\\Icons.dll")), "installed icons");
    EXPECT_TRUE(Attributes(Target(L"Plugins\\Icons.dll")).ftLastWriteTime == OldTime());
    EXPECT_EQ(ReadAll(Target(L"readme.txt")), "readme\r\n");

    ASSERT_EQ(Run(L"with_icons", 0), 0);
    EXPECT_EQ(ReadAll(Target(L"Plugins\\Icons.dll")), "icons of the payload");
}

TEST_F(Unpack, MissingArchiveOrTargetFails) {
    EXPECT_EQ(UnpackArchive(L"", Target(), 0), -1);
    EXPECT_EQ(UnpackArchive(Target(L"none.zip"), Target(), 0), -1);
    EXPECT_EQ(UnpackArchive(Fixture(L"archives/missing_folder.zip"), Target(L"none\\"), 0), -1);
    EXPECT_FALSE(Exists(Target(L"none")));
}

TEST_P(DamagedArchive, IsRefusedBeforeAnythingIsWritten) {
    wchar_t before[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH + 1, before);
    EXPECT_EQ(Run(GetParam()), -1);
    EXPECT_TRUE(ListTree(Target()).empty());
    EXPECT_FALSE(Exists(Target(L"..\\x")));
    wchar_t after[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH + 1, after);
    EXPECT_STREQ(after, before);
}

TEST_F(Unpack, AFileThatCannotBeMadeFailsAndTheCurrentDirectoryIsBack) {
    wchar_t before[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH + 1, before);
    // A folder where the archive has a file: nothing can be written there, and no old file stays.
    ::CreateDirectoryW(Target(L"top.txt").c_str(), nullptr);
    EXPECT_EQ(Run(L"missing_folder"), -1);
    wchar_t after[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH + 1, after);
    EXPECT_STREQ(after, before);
}

TEST_F(Unpack, APathBeyond259CharactersIsNotWritten) {
    const std::wstring deep = Target(std::wstring(250 - Target().size(), L'd') + L"\\");
    ASSERT_TRUE(::CreateDirectoryW(deep.c_str(), nullptr));
    EXPECT_EQ(UnpackArchive(Fixture(L"archives/missing_folder.zip"), deep, 0), -1);
    EXPECT_FALSE(Exists(deep + L"top.txt"));
}

INSTANTIATE_TEST_SUITE_P(Entries, DamagedArchive,
                         ::testing::Values(L"method12", L"encrypted", L"long_name", L"traversal_up",
                                           L"traversal_inner_up", L"traversal_slash", L"traversal_backslash",
                                           L"traversal_drive", L"traversal_backslash_up", L"crc", L"truncated",
                                           L"size_claim", L"duplicate", L"case_twins", L"trailing_dot",
                                           L"trailing_blank", L"file_and_folder", L"device_name", L"wildcard_name"),
                         [](const auto& info) {
                             std::wstring w = info.param;
                             return std::string(w.begin(), w.end());
                         });

TEST_F(Unpack, FileTimeFromDosDateKeepsTheAccessTime) {
    WriteAll(Target(L"f.txt"), "x");
    SetAllTimes(Target(L"f.txt"), OldTime());
    SetFileTimeFromDosDate(Target(L"f.txt"), 0x594B5A1A);  // 2024-10-11 11:16:52
    EXPECT_TRUE(IsArchiveTime(LocalWriteTime(Target(L"f.txt"))));
    WIN32_FILE_ATTRIBUTE_DATA data = Attributes(Target(L"f.txt"));
    EXPECT_TRUE(data.ftCreationTime == data.ftLastWriteTime);
    EXPECT_TRUE(data.ftLastAccessTime == OldTime());
}

// A folder planted at a staged folder's name makes the run fail; taking it back leaves what it
// did not make, with everything in it.
TEST_F(Unpack, APlantedStagedFolderFailsTheRunAndStaysWhole) {
    ::CreateDirectoryW(Target(L"sub.lm-new").c_str(), nullptr);
    WriteAll(Target(L"sub.lm-new\\keep.txt"), "someone else's");
    EXPECT_EQ(Run(L"missing_folder"), -1);
    EXPECT_EQ(ReadAll(Target(L"sub.lm-new\\keep.txt")), "someone else's");
    EXPECT_FALSE(Exists(Target(L"top.txt")));
    EXPECT_FALSE(Exists(Target(L"top.txt.lm-new")));
}
