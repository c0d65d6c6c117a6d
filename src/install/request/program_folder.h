#pragma once
// The program folder, made and checked level by level through handles from its drive's root
// (or share), so that no level is looked up again by its path and none made by someone else
// meanwhile is taken for one of the run's. An existing level is checked with its parent: who
// owns them and who may change, delete or rename them (folder_access). A missing level is
// made with the protected access of win::kProgramFolderSddl once its parent was checked; a
// level that cannot be made ends the walk.
#include <string>

enum class ProgramFolderState {
    Ready,
    NotCreated,  // a level is missing and could not be made, or cannot be opened and read
    Unsafe,      // others than administrators may delete, rename or take over `unsafeLevel`
};

struct ProgramFolderOutcome {
    ProgramFolderState state = ProgramFolderState::NotCreated;
    std::wstring unsafeLevel;  // Unsafe: that level, without its backslash
};

// `folder` is normalised in place as EnsureFolderExists does it (blanks trimmed, backslash).
// An existing program folder that others may change is made safe where its parent lets no one
// else replace it: owned by Administrators, with the protected access (noted in the step log
// with what it had before; a rollback does not give that back). With `acceptUnsafe` a level
// others may replace is only noted in the step log, and the walk goes on.
ProgramFolderOutcome MakeProgramFolder(std::wstring& folder, bool acceptUnsafe);

// Under Wine every folder is the running administrator's own: tests that stand for a machine
// where users own the folders take that account for anyone else's (true), and back (false).
void DistrustRunningAccountForTesting(bool distrust);
