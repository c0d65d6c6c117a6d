#pragma once
// A wizard started without administrator rights cannot install for the machine. Before the
// first page it asks whether to install for the user alone (in the user's program folder) or
// for all users; for all users it starts itself again with administrator rights and ends.
#include <string>

enum class ScopeAnswer { User, AllUsers, Cancel };

// Whether the question is asked: a wizard run (no "/silent"), no "/scope=" on the command
// line, and no administrator rights.
bool AsksForScope(bool silent, const std::wstring& commandLine, bool administrator);

// Whether this process may install for the machine (it can keep the machine's transaction
// log). The environment variable LUMISCOPE_TEST_NOT_ADMINISTRATOR=1 says it may not: every
// process is an administrator under Wine, and the tests need the other case. It can only make
// a run refuse or ask, never give it rights.
bool HasAdministratorRights();

// The question, in a box; `userFolder` is where the user's installation would go.
ScopeAnswer AskForScope(const std::wstring& userFolder);

// The program again, with administrator rights ("runas"), the same options and
// "/scope=machine", so that it does not ask again; its exit code once it ends, or 5 when the
// elevation was declined or the program could not be started.
int RunElevated(const std::wstring& commandLine);
