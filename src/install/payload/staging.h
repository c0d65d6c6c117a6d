#pragma once
// Stage, verify, commit: every payload file is written beside where it goes, under its staged
// name (or in a folder the run makes, which is made beside its place under a staged name), on
// every core, and checked as it is written; only when all of them are there and checked do they
// replace what is in place, each by a rename that keeps the old file as a backup (a new folder
// by one rename of its own). The engine's transaction hears of every folder and file before it is touched, so that
// a failure at any point (here or later) can be taken back.
//
// Every folder is opened once, as a handle (win::Folder), and everything is made and renamed
// relative to it: a staged folder swapped for a link changes nothing, since its files go into
// the folder the run made. A staged file stays open, shared for reading only, from its writing
// (and its size and CRC-32 check) to its rename through that handle: nobody can change it in
// between.
#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "install/journal.h"
#include "install/payload/entry_writer.h"
#include "install/payload/payload.h"
#include "win/folder_handle.h"
#include "install/payload/unchanged_files.h"

class PayloadStaging {
public:
    // Files found unchanged are held by `unchanged`, which outlives the run's commit or rollback.
    PayloadStaging(const PayloadArchive& payload, const std::wstring& targetFolder, int keepIconLibrary,
                   UnchangedFiles& unchanged);

    // The folders the payload needs (also those its archive does not list); false when one
    // cannot be made.
    bool MakeFolders();
    // Every file (but the icon library when it is kept, and those installed unchanged) under
    // its staged name; false on the
    // first that cannot be written or does not match its declared size and CRC-32, or a path
    // beyond 259 characters.
    bool Stage();
    // Each staged file replaces its target. False when one cannot be put in place; an existing
    // file that is in use or read-only is such a one (heldFile() names it then).
    bool Commit();
    // Lets go of every file and folder held, for a rollback to take them away.
    void Release();
    const std::wstring& heldFile() const { return m_heldFile; }
    // The target becomes the current directory, as the extraction leaves it.
    bool EnterTarget() const;

    struct Item {
        const zip::Entry* entry = nullptr;
        std::wstring path;    // where it goes
        std::wstring staged;  // where it is written first
        bool inTree = false;  // in a folder the run makes, which goes in place whole
        const win::Folder* folder = nullptr;  // where it is written (and, unless in a tree, put in place)
        std::wstring name;                    // its name there, and its staged name
        std::wstring stagedName;
        win::File file;  // held from its writing to its rename
        bool unchanged = false;  // installed as the payload has it: neither staged nor replaced
        EntryWriter::Result result = EntryWriter::Result::NotWritten;
        DWORD error = 0;
    };

private:
    bool OpenExisting(const std::wstring& folder, bool& exists);
    bool MakeFolder(const std::wstring& relative);
    const win::Folder* FolderOf(const std::wstring& relative) const;
    bool PutTreeInPlace(const std::wstring& tree);
    // Where a file or folder of the payload is written before the commit.
    std::wstring StagedLocation(const std::wstring& relative) const;
    bool CommitFile(Item& item);
    bool Report(const Item& failed) const;
    void FindUnchanged(const std::vector<PlannedFile>& planned);
    // Upper-case name -> entry of a folder files go into, listed once; null when it cannot be
    // listed (its files are then looked at one by one, and none counts as unchanged).
    using Listing = std::map<std::wstring, win::ListedEntry>;
    const Listing* ListingOf(const win::Folder* folder);
    bool Existed(const Item& item);

    const PayloadArchive& m_payload;
    std::wstring m_target;  // with its backslash
    int m_keepIconLibrary;
    UnchangedFiles& m_unchanged;
    std::vector<Item> m_items;
    std::vector<std::wstring> m_trees;      // folders made beside their places, each put in place whole
    std::set<std::wstring> m_treeKeys;      // the same in upper case
    std::set<std::wstring> m_newFolders;    // upper case: every folder this run makes
    // Upper-case relative folder ("" the target) -> the folder its files are written into:
    // the folder itself when it was there, else the one this run made (beside it, or in a tree).
    std::map<std::wstring, win::Folder> m_folders;
    std::map<const win::Folder*, std::unique_ptr<Listing>> m_listings;
    std::wstring m_heldFile;                // the file Commit found in use, relative to the target
};
