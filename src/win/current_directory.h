#pragma once
// The process's current directory, which is state of the whole process: read it, and put it
// back on every way out of a step that changes it for a while.
#include <string>

namespace win {

// Empty when it cannot be read within the 259-character limit.
std::wstring CurrentDirectory();

// Remembers the current directory and restores it on destruction, unless the new one is kept.
class CurrentDirectoryRestorer {
public:
    CurrentDirectoryRestorer() : m_saved(CurrentDirectory()) {}
    ~CurrentDirectoryRestorer();
    CurrentDirectoryRestorer(const CurrentDirectoryRestorer&) = delete;
    CurrentDirectoryRestorer& operator=(const CurrentDirectoryRestorer&) = delete;
    void Keep() { m_keep = true; }

private:
    std::wstring m_saved;
    bool m_keep = false;
};

}  // namespace win
