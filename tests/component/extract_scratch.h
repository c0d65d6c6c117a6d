#pragma once
// A scratch target folder under the temp folder for the unpacking and icon-library tests,
// with its own temp folder (TMP and TEMP point there) so that parallel test processes never
// share the temporary archive. The current directory and the environment are restored.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

inline bool operator==(const FILETIME& a, const FILETIME& b) {
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

class ExtractScratch : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Full path below the target folder.
    std::wstring Target(const std::wstring& relative = L"") const { return m_target + relative; }
    std::wstring TempFolder() const { return m_temp; }

    static std::wstring Fixture(const std::wstring& relative);
    static bool Exists(const std::wstring& path);
    static std::string ReadAll(const std::wstring& path);
    static void WriteAll(const std::wstring& path, const std::string& data);
    // Every file and folder below `folder`, relative, with "\" separators.
    static std::vector<std::wstring> ListTree(const std::wstring& folder);
    // The last-write time in local time, as the file list of the shell shows it.
    static SYSTEMTIME LocalWriteTime(const std::wstring& path);
    // True for the payload's entry time, 11 October 2024 11:16:52 local time.
    static bool IsArchiveTime(const SYSTEMTIME& time);
    // A time long before the archive's, set as creation, access and write time.
    static FILETIME OldTime();
    static void SetAllTimes(const std::wstring& path, const FILETIME& time);
    static WIN32_FILE_ATTRIBUTE_DATA Attributes(const std::wstring& path);

private:
    std::wstring m_root, m_target, m_temp, m_savedDir, m_savedTmp, m_savedTemp;
};
