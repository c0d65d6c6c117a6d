#include "install/payload/staging.h"

#include <algorithm>
#include <set>

#include "install/install_places.h"
#include "install/journal.h"
#include "install/payload/entry_name.h"
#include "install/recovery/replaced_file.h"
#include "install/request/folders.h"
#include "win/file_facts.h"
#include "win/path_text.h"
#include "win/safe_file.h"
#include "win/security_descriptor.h"
#include "win/text.h"
#include "win/thread_pool.h"
#include "win/unique_handle.h"

namespace {

// Enough to keep the cores and the disk busy; each worker holds one buffer.
constexpr unsigned kMostWorkers = 8;
constexpr DWORD kProgressMs = 100;

using Item = PayloadStaging::Item;

// What the workers share: the items, in the order they are taken (biggest first, so that no
// core is left with one big file at the end), and how far they got.
struct Work {
    const unsigned char* archive;
    std::vector<Item>* items;
    std::vector<size_t> order;
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::atomic<uint64_t> written{0};
    uint64_t total = 0;
};

void StageOne(EntryWriter& writer, Work& work, Item& item) {
    win::File out = item.folder->NewFile(item.stagedName, item.error);
    if (!out) return;
    item.result = writer.Write(work.archive, *item.entry, out.get(), work.written, item.error);
    if (item.result == EntryWriter::Result::Written) {
        SetHandleTimeFromDosDate(out.get(), item.entry->dosDate);
        item.file = std::move(out);  // nobody changes it before its rename
        return;
    }
    // A file cut short or damaged is worse than none.
    DWORD ignored = 0;
    win::DeleteByHandle(out.get(), ignored);
}

void StageWork(void* context) {
    auto& work = *static_cast<Work*>(context);
    EntryWriter writer;
    for (;;) {
        const size_t k = work.next++;
        if (k >= work.order.size() || work.failed) return;
        Item& item = (*work.items)[work.order[k]];
        StageOne(writer, work, item);
        if (item.result != EntryWriter::Result::Written) work.failed = true;
    }
}

void TellProgress(void* context) {
    const auto& work = *static_cast<Work*>(context);
    Journal().Progress(work.written, work.total);
}

bool IsInUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION ||
           error == ERROR_USER_MAPPED_FILE;
}

// Whether an existing file may be replaced: not while someone uses it, not when it is read-only.
bool CanReplace(const win::Folder& folder, const std::wstring& name, DWORD& error) {
    win::File probe = folder.OpenEntry(name, error, GENERIC_WRITE, 0);
    if (probe) error = 0;
    return probe || !IsInUse(error);
}

}  // namespace

PayloadStaging::PayloadStaging(const PayloadArchive& payload, const std::wstring& targetFolder, int keepIconLibrary,
                               UnchangedFiles& unchanged)
    : m_payload(payload), m_target(targetFolder), m_keepIconLibrary(keepIconLibrary), m_unchanged(unchanged) {
    win::AppendBackslash(m_target);
}

const win::Folder* PayloadStaging::FolderOf(const std::wstring& relative) const {
    const auto found = m_folders.find(win::UpperCase(relative));
    return found == m_folders.end() ? nullptr : &found->second;
}

// Opens a folder of the payload that is there already, checked; `exists` false when it is not.
bool PayloadStaging::OpenExisting(const std::wstring& folder, bool& exists) {
    DWORD error = 0;
    win::Folder opened = FolderOf(FolderPart(folder))->OpenFolder(NamePart(folder), error);
    exists = static_cast<bool>(opened);
    if (exists) m_folders.emplace(win::UpperCase(folder), std::move(opened));
    if (exists || win::IsNotFound(error)) return true;
    if (error == ERROR_DIRECTORY)
        Journal().Failed(phase::kPayload, L"folder not created, a file has its name: " + folder, ERROR_ALREADY_EXISTS);
    else
        Journal().Failed(phase::kPayload, L"folder not used, it is a link or cannot be opened: " + folder, error);
    return false;
}

bool PayloadStaging::MakeFolder(const std::wstring& relative) {
    win::SecurityDescriptor access(Places().FolderSddl());  // not what an existing parent passes on
    const bool tree = m_treeKeys.count(win::UpperCase(relative)) != 0;
    const std::wstring name = NamePart(relative) + (tree ? txn::kStagedSuffix : L"");
    DWORD error = 0;
    win::Folder made = FolderOf(FolderPart(relative))->NewFolder(name, error, access.get());
    if (made) {
        m_folders.emplace(win::UpperCase(relative), std::move(made));
        Journal().FolderCreated(m_target + relative);
        return true;
    }
    Journal().Failed(phase::kPayload, L"folder not created: " + relative, error);
    return false;
}

std::wstring PayloadStaging::StagedLocation(const std::wstring& relative) const {
    // The outermost level that is a tree of its own holds it.
    for (size_t at = relative.find(L'\\');; at = relative.find(L'\\', at + 1)) {
        const size_t end = at == std::wstring::npos ? relative.size() : at;
        if (m_treeKeys.count(win::UpperCase(relative.substr(0, end))))
            return win::ExtendedPath(m_target + relative.substr(0, end) + txn::kStagedSuffix + relative.substr(end));
        if (at == std::wstring::npos) return txn::StagedPath(m_target + relative);
    }
}

// A folder the run makes is made beside its place as "<name>.lm-new" when its parent is there
// already (a tree of its own), or inside such a tree: the files in it are written under their
// own names there, and one rename at the commit puts the whole tree in place. All of them are
// announced at once, before the first is made.
bool PayloadStaging::MakeFolders() {
    DWORD error = 0;
    win::Folder target = win::Folder::Open(m_target, error);
    if (!target) {
        Journal().Failed(phase::kPayload, L"folder not opened, it is a link or cannot be opened: " + m_target, error);
        return false;
    }
    m_folders.emplace(std::wstring(), std::move(target));
    std::vector<std::wstring> missing;  // parents before children, each once
    std::set<std::wstring> seen;
    std::vector<PlannedFolder> planned;
    for (const zip::Entry& entry : m_payload.entries()) {
        const std::wstring name = LocalName(entry.name);
        for (size_t at = name.find(L'\\'); at != std::wstring::npos; at = name.find(L'\\', at + 1)) {
            const std::wstring folder = name.substr(0, at);
            if (!seen.insert(win::UpperCase(folder)).second) continue;
            const bool staged = m_newFolders.count(win::UpperCase(FolderPart(folder))) == 0;
            bool exists = false;
            if (staged && !OpenExisting(folder, exists)) return false;
            if (exists) continue;
            if (staged) {
                m_trees.push_back(folder);
                m_treeKeys.insert(win::UpperCase(folder));
            }
            m_newFolders.insert(win::UpperCase(folder));
            planned.push_back({m_target + folder, staged});
            missing.push_back(folder);
        }
    }
    if (!planned.empty()) Journal().WillCreateFolders(planned);
    for (const std::wstring& folder : missing)
        if (!MakeFolder(folder)) return false;
    return true;
}

bool PayloadStaging::Report(const Item& failed) const {
    const std::wstring name = LocalName(failed.entry->name);
    if (failed.result == EntryWriter::Result::Damaged)
        Journal().Failed(phase::kPayload, L"the payload is damaged: " + name + L" does not match its size and CRC-32", 0);
    else
        Journal().Failed(phase::kPayload, L"file not written: " + name, failed.error);
    return false;
}

bool PayloadStaging::Stage() {
    m_items.clear();
    std::vector<PlannedFile> planned;
    Work work;
    for (const zip::Entry& entry : m_payload.entries()) {
        if (IsFolderEntry(entry) || (m_keepIconLibrary == 1 && NamesIconLibrary(entry.rawName))) continue;
        Item item;
        item.entry = &entry;
        const std::wstring local = LocalName(entry.name);
        item.path = m_target + local;
        if (item.path.size() > kMaxPathChars) return false;
        item.staged = StagedLocation(local);
        item.inTree = m_newFolders.count(win::UpperCase(FolderPart(local))) != 0;
        item.folder = FolderOf(FolderPart(local));
        item.name = NamePart(local);
        item.stagedName = item.inTree ? item.name : item.name + txn::kStagedSuffix;
        planned.push_back({item.path, Existed(item)});
        m_items.push_back(std::move(item));
    }
    // An unchanged file stays named as one the run may replace ("existed"): taking that back
    // leaves it as it is.
    Journal().WillReplaceFiles(planned);
    FindUnchanged(planned);
    for (size_t k = 0; k < m_items.size(); ++k) {
        if (m_items[k].unchanged) continue;
        work.order.push_back(k);
        work.total += m_items[k].entry->size;
    }
    std::stable_sort(work.order.begin(), work.order.end(), [&](size_t a, size_t b) {
        return m_items[a].entry->compressedSize > m_items[b].entry->compressedSize;
    });
    work.archive = m_payload.data();
    work.items = &m_items;
    const unsigned workers = std::min<unsigned>({win::ProcessorCount(), kMostWorkers, static_cast<unsigned>(work.order.size())});
    if (workers) win::RunOnThreads(workers, StageWork, TellProgress, &work, kProgressMs);
    for (const Item& item : m_items)
        if (item.entry && item.result != EntryWriter::Result::Written && (item.error || item.result == EntryWriter::Result::Damaged))
            return Report(item);
    return !work.failed;
}

const PayloadStaging::Listing* PayloadStaging::ListingOf(const win::Folder* folder) {
    auto found = m_listings.find(folder);
    if (found != m_listings.end()) return found->second.get();
    std::unique_ptr<Listing> listing;
    std::vector<win::ListedEntry> entries;
    if (win::ListEntries(*folder, entries)) {
        listing = std::make_unique<Listing>();
        for (win::ListedEntry& entry : entries) {
            std::wstring key = win::UpperCase(entry.name);
            listing->emplace(std::move(key), std::move(entry));
        }
    }
    return m_listings.emplace(folder, std::move(listing)).first->second.get();
}

// Anything at the name, a link too, counts as there: a rollback then leaves it alone. One
// listing per folder tells it for all its files.
bool PayloadStaging::Existed(const Item& item) {
    if (const Listing* listing = ListingOf(item.folder)) return listing->count(win::UpperCase(item.name)) != 0;
    DWORD error = 0;
    return item.folder->OpenEntry(item.name, error, FILE_READ_ATTRIBUTES) || !win::IsNotFound(error);
}

// Only a plain file of the entry's size, with no backup of an earlier run beside it, is worth
// reading; the listing only points there, the check reads the file itself.
void PayloadStaging::FindUnchanged(const std::vector<PlannedFile>& planned) {
    std::vector<UnchangedFiles::Candidate> installed;
    for (size_t k = 0; k < m_items.size(); ++k) {
        const Item& item = m_items[k];
        const Listing* listing = planned[k].existed && !item.inTree ? ListingOf(item.folder) : nullptr;
        if (!listing) continue;
        const auto there = listing->find(win::UpperCase(item.name));
        if (there == listing->end() || listing->count(win::UpperCase(item.name + txn::kBackupSuffix)) ||
            (there->second.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
            there->second.size != item.entry->size)
            continue;
        installed.push_back({item.folder, item.name, item.entry, k});
    }
    m_unchanged.Check(installed);
    for (const UnchangedFiles::Candidate& file : installed) m_items[file.index].unchanged = file.same;
}

bool PayloadStaging::Commit() {
    for (Item& item : m_items) {
        if (item.unchanged)
            Journal().FileWritten(LocalName(item.entry->name), item.entry->size, item.entry->crc);
        else if (!item.inTree && !CommitFile(item))
            return false;
    }
    for (const std::wstring& tree : m_trees)
        if (!PutTreeInPlace(tree)) return false;
    for (const Item& item : m_items)
        if (item.inTree) Journal().FileWritten(LocalName(item.entry->name), item.entry->size, item.entry->crc);
    return true;
}

// The folder made beside its place goes there by one rename of its handle. Its files stay held
// while it moves where the system allows that (Wine does); Windows refuses to rename a folder
// with open files in it, so they are let go just before a second try.
bool PayloadStaging::PutTreeInPlace(const std::wstring& tree) {
    const win::Folder& made = *FolderOf(tree);
    const win::Folder& parent = *FolderOf(FolderPart(tree));
    DWORD error = 0;
    if (parent.Rename(made.get(), NamePart(tree) + txn::kStagedSuffix, NamePart(tree), false, error)) return true;
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION) {
        const std::wstring inside = win::UpperCase(tree + L"\\");
        for (Item& item : m_items)
            if (item.inTree && win::StartsWithNoCase(LocalName(item.entry->name), inside)) item.file.reset();
        for (auto& [key, folder] : m_folders)
            if (win::StartsWithNoCase(key, inside)) folder.reset();
        if (parent.Rename(made.get(), NamePart(tree) + txn::kStagedSuffix, NamePart(tree), false, error)) return true;
    }
    Journal().Failed(phase::kPayload, L"folder not put in place: " + tree, error);
    return false;
}

bool PayloadStaging::CommitFile(Item& item) {
    const std::wstring name = LocalName(item.entry->name);
    DWORD error = 0;
    const win::File there = item.folder->OpenEntry(item.name, error, FILE_READ_ATTRIBUTES);
    if (there && (win::AttributesOf(there.get()) & FILE_ATTRIBUTE_DIRECTORY)) {
        Journal().Failed(phase::kPayload, L"file not put in place, a folder has its name: " + name, ERROR_ALREADY_EXISTS);
        return false;
    }
    // An existing file that another process holds (in this session or any other) cannot be
    // replaced: the whole installation is taken back rather than left half old, half new.
    if (!CanReplace(*item.folder, item.name, error)) {
        m_heldFile = name;
        Journal().Failed(phase::kPayload, L"file in use or read-only, cannot be replaced: " + name, error);
        return false;
    }
    if (!txn::PutInPlace(*item.folder, item.path, item.file.get(), error)) {
        Journal().Failed(phase::kPayload, L"file not put in place: " + name, error);
        return false;
    }
    item.file.reset();
    Journal().FileWritten(name, item.entry->size, item.entry->crc);
    return true;
}

void PayloadStaging::Release() {
    for (Item& item : m_items) item.file.reset();
    m_folders.clear();
}

bool PayloadStaging::EnterTarget() const { return ::SetCurrentDirectoryW(m_target.c_str()) != FALSE; }
