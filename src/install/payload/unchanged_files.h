#pragma once
// A repair or an upgrade writes only what changed. An installed file that already holds what
// its payload entry declares (size and CRC-32, read from the file itself, never taken from the
// record or a time stamp) is neither staged nor replaced. It stays open, shared for reading
// only, until the run is over, so that nobody changes it between the check and the record
// that names it, nor while a rollback runs; a file reached through a link or a hard link is
// not trusted and goes the usual way (as does one with a backup of an earlier run beside it,
// which the caller leaves out).
#include <cstdint>
#include <string>
#include <vector>

#include "install/payload/zip_archive.h"
#include "win/folder_handle.h"
#include "win/unique_handle.h"

class UnchangedFiles {
public:
    struct Candidate {
        const win::Folder* folder = nullptr;  // where an installed file is
        std::wstring name;                    // and its name there
        const zip::Entry* entry = nullptr;
        size_t index = 0;   // the caller's
        bool same = false;  // set by Check
    };

    // Reads every candidate on the pool threads and marks those that hold their entry's bytes;
    // they are kept open until this object goes.
    void Check(std::vector<Candidate>& candidates);

    // For a run that ends its process right after the installation (a silent one): the files
    // are let go with the process, which the system does at once, instead of with a request
    // to Wine's server for each of them.
    void HoldUntilExit();

private:
    std::vector<win::File> m_held;
};
