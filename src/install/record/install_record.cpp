#include "install/record/install_record.h"

#include <algorithm>

#include "install/install_places.h"
#include "install/links/shortcuts.h"
#include "install/record/record_text.h"
#include "install/registry/registration_places.h"
#include "install/registry/registry_undo.h"
#include "win/path_text.h"
#include "win/text.h"

namespace record {
namespace {

constexpr char kHeader[] = "Lumiscope install record ";
constexpr char kBom[] = "\xEF\xBB\xBF";
constexpr wchar_t kSettingsName[] = L"lu_scp64.ini";
constexpr wchar_t kLinkSuffix[] = L".lnk";

// One line's fields after its keyword, read into the record.
class LineReader {
public:
    explicit LineReader(InstallRecord& record) : m_record(record) {}

    bool Read(const std::string& line) {
        std::vector<std::string> f = SplitFields(line);
        const std::string word = f[0];
        f.erase(f.begin());
        const bool afterDeleted = m_lastWasDeletedOrHeld;
        m_lastWasDeletedOrHeld = false;
        if (word == "program") return f.size() == 1 && !m_hasProgram && (m_hasProgram = Text(f[0], m_record.programFolder));
        if (word == "folder") return f.size() == 1 && Add(f[0], m_record.createdFolders);
        if (word == "link") return f.size() == 1 && Add(f[0], m_record.links);
        if (word == "settings") return f.size() == 1 && Add(f[0], m_record.settingsFiles);
        if (word == "file") return f.size() == 3 && File(f);
        if (word == "key") return f.size() == 2 && Key(f);
        if (word == "value") return f.size() == 5 && Value(f);
        if (word == "deleted") return f.size() == 2 && (m_lastWasDeletedOrHeld = Deleted(f));
        if (word == "held") return afterDeleted && f.size() == 2 && (m_lastWasDeletedOrHeld = Held(f));
        return false;
    }

private:
    static bool Text(const std::string& field, std::wstring& text) { return Unescape(field, text); }

    static bool Add(const std::string& field, std::vector<std::wstring>& list) {
        std::wstring text;
        if (!Unescape(field, text)) return false;
        list.push_back(text);
        return true;
    }

    bool File(const std::vector<std::string>& f) {
        RecordedFile file;
        if (!Text(f[0], file.path) || !ParseDecimal(f[1], UINT64_MAX, file.size) || !ParseCrc(f[2], file.crc))
            return false;
        m_record.files.push_back(file);
        return true;
    }

    bool Key(const std::vector<std::string>& f) {
        RecordedKey key;
        if (!ParseRoot(f[0], key.root) || !Text(f[1], key.key)) return false;
        m_record.createdKeys.push_back(key);
        return true;
    }

    bool Value(const std::vector<std::string>& f) {
        RecordedValue v;
        if (!ParseRoot(f[0], v.root) || !Text(f[1], v.key) || !Text(f[2], v.name) || !ParseData(f[3], v.before) ||
            !ParseData(f[4], v.written))
            return false;
        m_record.values.push_back(v);
        return true;
    }

    bool Deleted(const std::vector<std::string>& f) {
        DeletedKey key;
        if (!ParseRoot(f[0], key.root) || !Text(f[1], key.key)) return false;
        m_record.deletedKeys.push_back(key);
        return true;
    }

    bool Held(const std::vector<std::string>& f) {
        HeldValue held;
        if (!Text(f[0], held.name) || !ParseData(f[1], held.data) || !held.data.exists) return false;
        m_record.deletedKeys.back().values.push_back(held);
        return true;
    }

    InstallRecord& m_record;
    bool m_hasProgram = false;
    bool m_lastWasDeletedOrHeld = false;
};

// ---- merging ----

bool SameKey(reg::Root ra, const std::wstring& a, reg::Root rb, const std::wstring& b) {
    return ra == rb && win::EqualsNoCase(a, b);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
    return win::EqualsNoCase(win::WithoutTrailingBackslash(a), win::WithoutTrailingBackslash(b));
}

template <typename T, typename Same>
T* Find(std::vector<T>& list, const T& item, Same same) {
    auto it = std::find_if(list.begin(), list.end(), [&](const T& have) { return same(have, item); });
    return it == list.end() ? nullptr : &*it;
}

void AddMissingPaths(std::vector<std::wstring>& into, const std::vector<std::wstring>& from) {
    for (const auto& path : from)
        if (!Find(into, path, SamePath)) into.push_back(path);
}

// Whether the earlier record already says what the key was before the first installation.
bool EarlierKnowsKey(const InstallRecord& earlier, reg::Root root, const std::wstring& key) {
    auto created = [&](const RecordedKey& k) { return SameKey(k.root, k.key, root, key); };
    auto deleted = [&](const DeletedKey& k) { return SameKey(k.root, k.key, root, key); };
    return std::any_of(earlier.createdKeys.begin(), earlier.createdKeys.end(), created) ||
           std::any_of(earlier.deletedKeys.begin(), earlier.deletedKeys.end(), deleted);
}

// ---- safety ----

bool IsAbsoluteBelowRoot(const std::wstring& path) { return win::PlainPathDepth(path) >= 1; }

bool IsPlainKey(const std::wstring& key) {
    if (key.empty() || key.front() == L'\\' || key.back() == L'\\') return false;
    return key.find(L"\\\\") == std::wstring::npos;
}

bool IsAllowedCreatedFolder(const InstallRecord& r, const std::wstring& folder) {
    if (!IsAbsoluteBelowRoot(folder)) return false;
    if (win::IsSameOrInside(folder, r.programFolder) || win::IsSameOrInside(r.programFolder, folder)) return true;
    auto holds = [&](const std::wstring& path) { return win::IsSameOrInside(folder, path); };
    return std::any_of(r.links.begin(), r.links.end(), holds) ||
           std::any_of(r.settingsFiles.begin(), r.settingsFiles.end(), holds);
}

}  // namespace

std::string FormatRecord(const InstallRecord& r) {
    LineWriter out;
    out.m_text = kHeader + std::to_string(kRecordVersion) + "\r\n";
    out.Word("program").Text(r.programFolder).End();
    for (const auto& folder : r.createdFolders) out.Word("folder").Text(folder).End();
    for (const auto& f : r.files) out.Word("file").Text(f.path).Field(std::to_string(f.size)).Field(CrcText(f.crc)).End();
    for (const auto& link : r.links) out.Word("link").Text(link).End();
    for (const auto& settings : r.settingsFiles) out.Word("settings").Text(settings).End();
    for (const auto& k : r.createdKeys) out.Word("key").Key(k.root, k.key).End();
    for (const auto& v : r.values)
        out.Word("value").Key(v.root, v.key).Text(v.name).Field(DataText(v.before)).Field(DataText(v.written)).End();
    for (const auto& k : r.deletedKeys) {
        out.Word("deleted").Key(k.root, k.key).End();
        for (const auto& held : k.values) out.Word("held").Text(held.name).Field(DataText(held.data)).End();
    }
    return out.m_text;
}

bool ParseRecord(const std::string& text, InstallRecord& record) {
    record = InstallRecord();
    const std::vector<std::string> lines = SplitLines(text.compare(0, 3, kBom) == 0 ? text.substr(3) : text);
    if (lines.empty() || lines[0] != kHeader + std::to_string(kRecordVersion)) return false;
    LineReader reader(record);
    for (size_t i = 1; i < lines.size(); ++i)
        if (!reader.Read(lines[i])) return false;
    return true;
}

InstallRecord MergeRecords(const InstallRecord& earlier, const InstallRecord& latest) {
    InstallRecord merged = earlier;
    merged.programFolder = latest.programFolder;
    AddMissingPaths(merged.createdFolders, latest.createdFolders);
    AddMissingPaths(merged.links, latest.links);
    AddMissingPaths(merged.settingsFiles, latest.settingsFiles);
    for (const auto& file : latest.files) {
        auto same = [](const RecordedFile& a, const RecordedFile& b) { return win::EqualsNoCase(a.path, b.path); };
        if (RecordedFile* have = Find(merged.files, file, same)) {
            have->size = file.size;
            have->crc = file.crc;
        } else {
            merged.files.push_back(file);
        }
    }
    for (const auto& value : latest.values) {
        auto same = [](const RecordedValue& a, const RecordedValue& b) {
            return SameKey(a.root, a.key, b.root, b.key) && win::EqualsNoCase(a.name, b.name);
        };
        if (RecordedValue* have = Find(merged.values, value, same))
            have->written = value.written;
        else
            merged.values.push_back(value);
    }
    for (const auto& key : latest.createdKeys)
        if (!EarlierKnowsKey(earlier, key.root, key.key)) merged.createdKeys.push_back(key);
    for (const auto& key : latest.deletedKeys)
        if (!EarlierKnowsKey(earlier, key.root, key.key)) merged.deletedKeys.push_back(key);
    return merged;
}

bool IsRecordSafe(const InstallRecord& r) {
    if (!IsAbsoluteBelowRoot(r.programFolder)) return false;
    for (const auto& file : r.files)
        if (!win::IsPlainRelativePath(file.path)) return false;
    for (const auto& link : r.links)
        if (!IsAbsoluteBelowRoot(link) || !win::EndsWithNoCase(link, kLinkSuffix) || !IsProductLinkPath(link))
            return false;
    for (const auto& settings : r.settingsFiles)
        if (!IsAbsoluteBelowRoot(settings) || !win::EqualsNoCase(win::LastName(settings), kSettingsName) ||
            settings.back() == L'\\')
            return false;
    for (const auto& folder : r.createdFolders)
        if (!IsAllowedCreatedFolder(r, folder)) return false;
    // Registry work only where the setup's own tables write, never where the record alone says.
    const reg::RegistrationPlaces places(Places());
    for (const auto& k : r.createdKeys)
        if (!IsPlainKey(k.key) || !places.HoldsKey(k.root, k.key)) return false;
    for (const auto& v : r.values)
        if (!IsPlainKey(v.key) || !places.HoldsValue(v.root, v.key, v.name)) return false;
    for (const auto& k : r.deletedKeys)
        if (!IsPlainKey(k.key) || !places.HoldsDeletedKey(k.root, k.key)) return false;
    return true;
}

namespace {

bool IsInProductKey(reg::Root root, const std::wstring& key) {
    for (size_t end = key.size(); end != std::wstring::npos && end > 0; end = key.rfind(L'\\', end - 1))
        if (reg::IsProductKey(root, key.substr(0, end))) return true;
    return false;
}

}  // namespace

InstallRecord ProductPart(const InstallRecord& r) {
    InstallRecord part;
    part.programFolder = r.programFolder;
    part.files = r.files;
    part.links = r.links;
    for (const auto& folder : r.createdFolders)
        if (win::IsSameOrInside(r.programFolder, folder)) part.createdFolders.push_back(folder);
    for (const auto& k : r.createdKeys)
        if (reg::IsProductKey(k.root, k.key)) part.createdKeys.push_back(k);
    // What was written into the product's own keys still tells whether another installation
    // has taken them over since; what was there before is not believed.
    for (const auto& v : r.values)
        if (IsInProductKey(v.root, v.key)) part.values.push_back(RecordedValue{v.root, v.key, v.name, ValueData(), v.written});
    return part;
}

}  // namespace record
