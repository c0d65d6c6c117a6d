#include "extract_scratch.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/paths.h"

namespace fs = std::filesystem;

namespace {

std::wstring Env(const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD n = ::GetEnvironmentVariableW(name, value, 1024);
    return n < 1024 ? std::wstring(value, n) : std::wstring();
}

}  // namespace

void ExtractScratch::SetUp() {
    static int counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    m_root = std::wstring(temp) + L"lumi_extract_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
             std::to_wstring(++counter) + L"\\";
    m_target = m_root + L"target\\";
    m_temp = m_root + L"temp\\";
    fs::create_directories(m_target);
    fs::create_directories(m_temp);
    wchar_t dir[MAX_PATH + 1] = {};
    ::GetCurrentDirectoryW(MAX_PATH + 1, dir);
    m_savedDir = dir;
    m_savedTmp = Env(L"TMP");
    m_savedTemp = Env(L"TEMP");
    ::SetEnvironmentVariableW(L"TMP", m_temp.c_str());
    ::SetEnvironmentVariableW(L"TEMP", m_temp.c_str());
}

void ExtractScratch::TearDown() {
    ::SetCurrentDirectoryW(m_savedDir.c_str());
    ::SetEnvironmentVariableW(L"TMP", m_savedTmp.c_str());
    ::SetEnvironmentVariableW(L"TEMP", m_savedTemp.c_str());
    std::error_code ignored;
    fs::remove_all(m_root, ignored);
}

std::wstring ExtractScratch::Fixture(const std::wstring& relative) {
    return testsupport::BuildPath(L"tests/fixtures/" + relative);
}

bool ExtractScratch::Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ExtractScratch::ReadAll(const std::wstring& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ExtractScratch::WriteAll(const std::wstring& path, const std::string& data) {
    std::ofstream(fs::path(path), std::ios::binary) << data;
}

std::vector<std::wstring> ExtractScratch::ListTree(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const auto& item : fs::recursive_directory_iterator(folder))
        names.push_back(fs::relative(item.path(), folder).wstring());
    return names;
}

WIN32_FILE_ATTRIBUTE_DATA ExtractScratch::Attributes(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
    return data;
}

SYSTEMTIME ExtractScratch::LocalWriteTime(const std::wstring& path) {
    FILETIME written = Attributes(path).ftLastWriteTime, local = {};
    SYSTEMTIME time = {};
    ::FileTimeToLocalFileTime(&written, &local);
    ::FileTimeToSystemTime(&local, &time);
    return time;
}

bool ExtractScratch::IsArchiveTime(const SYSTEMTIME& t) {
    return t.wYear == 2024 && t.wMonth == 10 && t.wDay == 11 && t.wHour == 11 && t.wMinute == 16 && t.wSecond == 52;
}

FILETIME ExtractScratch::OldTime() {
    SYSTEMTIME s = {2001, 2, 0, 3, 4, 5, 6, 0};
    FILETIME t = {};
    ::SystemTimeToFileTime(&s, &t);
    return t;
}

void ExtractScratch::SetAllTimes(const std::wstring& path, const FILETIME& time) {
    HANDLE file = ::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ::SetFileTime(file, &time, &time, &time);
    ::CloseHandle(file);
}
