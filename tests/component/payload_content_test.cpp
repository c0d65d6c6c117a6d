// What the setup carries: the embedded archive as the extraction reads it, the icon library's
// version block as the keep-or-replace decision reads it, the files the viewer stands on, and
// the setup's own version block.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <unzip.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "install/payload/zip_archive.h"
#include "resources/resource_ids.h"
#include "win/text.h"
#include "win/unique_handle.h"

namespace {

namespace fs = std::filesystem;

struct Entry {
    std::string name;
    unsigned long method = 0;
    unsigned long flag = 0;
    unsigned long dosDate = 0;
    unsigned long long size = 0;
    std::vector<char> data;
    bool readCleanly = false;  // read to its end and closed without a CRC complaint
};

// 11 October 2024, 11:16:52, as a DOS date (high word) and time (low word).
constexpr unsigned long kReleaseDosDate =
    ((((2024 - 1980) << 9) | (10 << 5) | 11) << 16) | ((11 << 11) | (16 << 5) | (52 / 2));

std::vector<Entry> ReadAllEntries(unzFile zip) {
    std::vector<Entry> entries;
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        char name[520] = {};
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof(name) - 1, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        Entry e;
        e.name = name;
        e.method = info.compression_method;
        e.flag = info.flag;
        e.dosDate = info.dosDate;
        e.size = info.uncompressed_size;
        if (unzOpenCurrentFilePassword(zip, nullptr) == UNZ_OK) {
            char chunk[32768];
            int n;
            while ((n = unzReadCurrentFile(zip, chunk, sizeof(chunk))) > 0) e.data.insert(e.data.end(), chunk, chunk + n);
            e.readCleanly = n == 0 && unzCloseCurrentFile(zip) == UNZ_OK;
        }
        entries.push_back(std::move(e));
    }
    return entries;
}

// The archive is read where the resource lies, as the extraction reads it.
class PayloadContent : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH + 1] = {};
        ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
        m_folder = fs::path(temp) / win::Format(L"lumi_payload_%lu", GetCurrentProcessId());
        fs::remove_all(m_folder);
        ASSERT_TRUE(fs::create_directories(m_folder));

        HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_PAYLOAD), L"ZIP");
        ASSERT_NE(found, nullptr);
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
        ASSERT_NE(bytes, nullptr);
        zip::Archive archive(bytes, SizeofResource(nullptr, found));
        ASSERT_TRUE(archive);
        unzFile zip = archive.get();
        unz_global_info64 global{};
        ASSERT_EQ(unzGetGlobalInfo64(zip, &global), UNZ_OK);
        m_declaredCount = global.number_entry;
        m_entries = ReadAllEntries(zip);
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    const Entry* Find(const std::string& name) const {
        for (const Entry& e : m_entries)
            if (e.name == name) return &e;
        return nullptr;
    }

    // Writes an entry of the archive to the scratch folder and returns its path.
    fs::path WriteOut(const std::string& name) const {
        const Entry* e = Find(name);
        if (!e) return fs::path();
        fs::path path = m_folder / fs::path(name).filename();
        std::ofstream(path, std::ios::binary).write(e->data.data(), e->data.size());
        return path;
    }

    fs::path m_folder;
    unsigned long long m_declaredCount = 0;
    std::vector<Entry> m_entries;
};

TEST_F(PayloadContent, HoldsEveryNamedEntryWithFoldersFirst) {
    EXPECT_EQ(m_declaredCount, 43u);
    ASSERT_EQ(m_entries.size(), 43u);

    const char* named[] = {
        "lu_scp64.exe", "lm_uninstall.exe", "lu_scp32.chm", "l_about.txt", "l_changes.txt",
        "l_options.txt", "l_plugins.txt", "l_languages.txt", "#readme_zip_users.txt",
        "Languages/", "Languages/DEUTSCH.DLL", "Plugins/", "Plugins/Icons.dll", "Plugins/Plugins32/",
        "Help/", "Help/lu_scp32_deutsch.chm", "Html/", "Toolbars/", "Toolbars/Tessel_16.png",
        "Toolbars/Hollmark_24.png", "Toolbars/gnome-colors-wise_32.png", "Toolbars/gnome-colors-human_48.png"};
    for (const char* name : named) EXPECT_NE(Find(name), nullptr) << name;

    std::map<std::string, size_t> position;
    for (size_t i = 0; i < m_entries.size(); ++i) position[m_entries[i].name] = i;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const std::string& name = m_entries[i].name;
        EXPECT_EQ(name.find('\\'), std::string::npos) << name;
        // Every enclosing folder has its own entry, and it comes first.
        for (size_t slash = name.find('/'); slash != std::string::npos && slash + 1 < name.size();
             slash = name.find('/', slash + 1)) {
            auto folder = position.find(name.substr(0, slash + 1));
            ASSERT_NE(folder, position.end()) << name;
            EXPECT_LT(folder->second, i) << name;
        }
    }
}

// The time stamp in a built program's PE header as a DOS date and time in UTC, which the build
// gives the program's entry too: both are the commit's time. 0 when the data is no PE image.
unsigned long PeTimeAsDosDate(const std::vector<char>& image) {
    if (image.size() < 0x40 || image[0] != 'M' || image[1] != 'Z') return 0;
    uint32_t pe = 0, stamp = 0;
    memcpy(&pe, image.data() + 0x3C, 4);
    if (pe + 12 > image.size() || memcmp(image.data() + pe, "PE\0\0", 4) != 0) return 0;
    memcpy(&stamp, image.data() + pe + 8, 4);
    ULONGLONG ticks = (static_cast<ULONGLONG>(stamp) + 11644473600ull) * 10000000ull;  // since 1601
    FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    WORD date = 0, clock = 0;
    return ::FileTimeToDosDateTime(&time, &date, &clock) ? MAKELONG(clock, date) : 0;
}

TEST_F(PayloadContent, EntriesArePlainDeflateWithTheReleaseOrSourceTime) {
    for (const Entry& e : m_entries) {
        SCOPED_TRACE(e.name);
        EXPECT_TRUE(e.method == 0 || e.method == Z_DEFLATED);
        EXPECT_EQ(e.flag & 1u, 0u);  // not encrypted
        const bool built = e.name.size() > 4 && (e.name.compare(e.name.size() - 4, 4, ".exe") == 0 ||
                                                  e.name.compare(e.name.size() - 4, 4, ".dll") == 0 ||
                                                  e.name.compare(e.name.size() - 4, 4, ".DLL") == 0);
        EXPECT_EQ(e.dosDate, built ? PeTimeAsDosDate(e.data) : kReleaseDosDate);
        EXPECT_TRUE(e.readCleanly);
        EXPECT_EQ(e.data.size(), e.size);
        if (e.name.back() != '/') {
            EXPECT_FALSE(e.data.empty());
        }
    }
}

// The version library is loaded at run time, as the product does.
class VersionBlock {
public:
    explicit VersionBlock(const std::wstring& path) : m_library(LoadLibraryW(win::SystemFilePath(L"version.dll").c_str())) {
        auto size = Proc<decltype(&GetFileVersionInfoSizeW)>("GetFileVersionInfoSizeW");
        auto read = Proc<decltype(&GetFileVersionInfoW)>("GetFileVersionInfoW");
        m_query = Proc<decltype(&VerQueryValueW)>("VerQueryValueW");
        DWORD n = size && read && m_query ? size(path.c_str(), nullptr) : 0;
        m_data.resize(n);
        if (n == 0 || !read(path.c_str(), 0, n, m_data.data())) m_data.clear();
    }

    const VS_FIXEDFILEINFO* Fixed() const { return static_cast<const VS_FIXEDFILEINFO*>(Query(L"\\")); }
    std::wstring String(const std::wstring& block, const std::wstring& name) const {
        auto* value = static_cast<const wchar_t*>(Query(L"\\StringFileInfo\\" + block + L"\\" + name));
        return value ? value : L"";
    }
    // Language in the low word, code page in the high word.
    DWORD Translation() const {
        auto* value = static_cast<const DWORD*>(Query(L"\\VarFileInfo\\Translation"));
        return value ? *value : 0;
    }

private:
    template <typename F>
    F Proc(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m_library.get(), name)));
    }
    const void* Query(const std::wstring& sub) const {
        void* value = nullptr;
        UINT length = 0;
        return !m_data.empty() && m_query(m_data.data(), sub.c_str(), &value, &length) && length > 0 ? value : nullptr;
    }

    win::Module m_library;
    decltype(&VerQueryValueW) m_query = nullptr;
    std::vector<BYTE> m_data;
};

TEST_F(PayloadContent, IconLibraryReadsAsReleaseVersionFromBrannholt) {
    fs::path dll = WriteOut("Plugins/Icons.dll");
    ASSERT_FALSE(dll.empty());
    // The size the setup compares an installed library of the same version with.
    EXPECT_EQ(fs::file_size(dll), 226816u);

    VersionBlock version(dll.wstring());
    const VS_FIXEDFILEINFO* fixed = version.Fixed();
    ASSERT_NE(fixed, nullptr);
    std::wstring text = win::Format(L"%d.%d%d", HIWORD(fixed->dwProductVersionMS), LOWORD(fixed->dwProductVersionMS),
                                    HIWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(text, L"4.30");
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(3, 4));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(version.String(L"040904E4", L"CompanyName"), L"Brannholt");
    EXPECT_EQ(version.Translation(), MAKELONG(0x409, 1252));
}

TEST(SetupVersion, BlockNamesRelease470) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    VersionBlock version(self);
    const VS_FIXEDFILEINFO* fixed = version.Fixed();
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(70, 4));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(70, 4));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(version.String(L"040704B0", L"CompanyName"), L"Brannholt");
    EXPECT_EQ(version.String(L"040704B0", L"ProductName"), L"Lumiscope");
    EXPECT_EQ(version.String(L"040704B0", L"OriginalFilename"), L"Lumiscope64Setup.exe");
    EXPECT_EQ(version.Translation(), MAKELONG(0x407, 1200));
}

// PNG height from the IHDR chunk (big-endian, right after the width).
unsigned PngHeight(const std::vector<char>& png) {
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 24 || memcmp(png.data(), signature, 8) != 0 || memcmp(png.data() + 12, "IHDR", 4) != 0) return 0;
    const auto* h = reinterpret_cast<const unsigned char*>(png.data() + 20);
    return (h[0] << 24) | (h[1] << 16) | (h[2] << 8) | h[3];
}

TEST_F(PayloadContent, ViewerFilesServeWhatTheSetupNames) {
    // Icons addressed by index in links and file types: 0, 7, 8 and 9 must exist.
    fs::path viewer = WriteOut("lu_scp64.exe");
    ASSERT_FALSE(viewer.empty());
    EXPECT_GE(ExtractIconExW(viewer.wstring().c_str(), -1, nullptr, nullptr, 0), 10u);

    fs::path language = WriteOut("Languages/DEUTSCH.DLL");
    ASSERT_FALSE(language.empty());
    win::Module library(LoadLibraryExW(language.wstring().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(library);
    wchar_t text[32] = {};
    EXPECT_GT(LoadStringW(library.get(), 1, text, 32), 0);
    EXPECT_STREQ(text, L"Deutsch");

    // The uninstaller is the event source's message file: each of its ids gives back the text.
    fs::path uninstaller = WriteOut("lm_uninstall.exe");
    ASSERT_FALSE(uninstaller.empty());
    win::Module messages(LoadLibraryExW(uninstaller.wstring().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(messages);
    for (DWORD id : {1000u, 1001u, 1010u, 1011u}) {
        DWORD_PTR inserts[] = {reinterpret_cast<DWORD_PTR>(L"exit code 0: installed")};
        wchar_t message[64] = {};
        const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, messages.get(), id,
                                       0, message, 64, reinterpret_cast<va_list*>(inserts));
        EXPECT_STREQ(message, L"exit code 0: installed\r\n") << id;
        EXPECT_EQ(n, 24u) << id;
    }
    wchar_t none[8] = {};
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS, messages.get(), 1002, 0, none,
                             8, nullptr),
              0u);

    // A skin's name ends in the height of its buttons.
    const std::pair<const char*, unsigned> skins[] = {{"Toolbars/Tessel_16.png", 16}, {"Toolbars/Hollmark_24.png", 24},
                                                      {"Toolbars/gnome-colors-wise_32.png", 32},
                                                      {"Toolbars/gnome-colors-human_48.png", 48}};
    for (const auto& [name, height] : skins) {
        const Entry* skin = Find(name);
        ASSERT_NE(skin, nullptr) << name;
        EXPECT_EQ(PngHeight(skin->data), height) << name;
    }
}

}  // namespace
