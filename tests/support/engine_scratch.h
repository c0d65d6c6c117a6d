#pragma once
// Scratch places for the installation engine's tests: a folder under the temp folder and an
// environment variable, both undone.
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <gtest/gtest.h>

namespace enginetest {

inline std::wstring UniqueName(const wchar_t* stem) {
    static int counter = 0;
    return std::wstring(stem) + L"_" + std::to_wstring(::GetCurrentProcessId()) + L"_" + std::to_wstring(++counter);
}

class ScratchFolder {
public:
    ScratchFolder() {
        wchar_t temp[MAX_PATH + 1] = {};
        ::GetTempPathW(MAX_PATH + 1, temp);
        // Wine hands out the ids of ended processes again: a folder of that name that an earlier
        // process could not remove whole is not this test's, so the name must be new.
        std::error_code error;
        do m_path = std::wstring(temp) + UniqueName(L"lumi_engine");
        while (!std::filesystem::create_directory(m_path, error) && !error);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::wstring& path() const { return m_path; }  // without trailing backslash
    std::wstring operator/(const std::wstring& name) const { return m_path + L"\\" + name; }

private:
    std::wstring m_path;
};

// An environment variable set for the test's lifetime and restored afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const wchar_t* name, const wchar_t* value) : m_name(name) {
        DWORD n = ::GetEnvironmentVariableW(name, nullptr, 0);
        if (n > 0) {
            m_old.resize(n);
            m_old.resize(::GetEnvironmentVariableW(name, m_old.data(), n));
            m_had = true;
        }
        ::SetEnvironmentVariableW(name, value);
    }
    ~ScopedEnvironment() { ::SetEnvironmentVariableW(m_name.c_str(), m_had ? m_old.c_str() : nullptr); }
private:
    std::wstring m_name;
    std::wstring m_old;
    bool m_had = false;
};

inline std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The text of the one entry of an install log, between "date - hh:mm:ss: " and the separator.
inline std::string OnlyLogEntryText(const std::string& log) {
    const std::string separator = std::string(48, '-') + "\r\n";
    size_t start = log.find(" - ");
    size_t tail = separator.size() + 2;
    if (start == std::string::npos || log.size() < start + 13 + tail) return "<no entry: " + log + ">";
    EXPECT_EQ(log.substr(start + 11, 2), ": ");
    EXPECT_EQ(log.substr(log.size() - tail), "\r\n" + separator);
    EXPECT_EQ(log.find(separator), log.size() - separator.size()) << "more than one entry";
    return log.substr(start + 13, log.size() - tail - (start + 13));
}

inline std::string Latin1(const std::wstring& text) { return std::string(text.begin(), text.end()); }

inline void WriteBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out << bytes;
}

inline bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline std::wstring CurrentDirectory() {
    wchar_t buffer[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, buffer);
    return buffer;
}

// A drive letter that no drive of this system uses.
inline std::wstring MissingDrive() {
    DWORD drives = ::GetLogicalDrives();
    for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter)
        if (!(drives & (1u << (letter - L'A')))) return std::wstring(1, letter) + L":";
    return L"";
}

}  // namespace enginetest
