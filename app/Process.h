#pragma once
// Starting other programs: the user's scripts and editor.
#include <string>
#include <vector>

#include "app/Result.h"

namespace ledgerly {

// Runs argv[0] (looked up on PATH) with the arguments and waits for it;
// returns its exit status (128 + signal when killed). It shares this
// program's standard input, output and error.
Result<int> RunAndWait(const std::vector<std::string>& argv);
// Starts argv[0] detached from this program (it outlives it; nobody waits).
Status StartDetached(const std::vector<std::string>& argv);
// Whether a program of that name is on PATH (on Windows also where the
// system looks first, ".exe" added when the name has no extension).
bool ProgramOnPath(const std::string& name);

// The program the system opens files of that extension (".pl") with: the
// file association on Windows; empty elsewhere, and where there is none.
std::string AssociatedProgram(const std::string& extension);

// Opens a text file in the user's editor, detached: Notepad on Windows,
// elsewhere $VISUAL, else $EDITOR. Fails when there is no editor to start,
// so the caller can fall back on the desktop's default handler.
Status StartTextEditor(const std::string& path);

// The command line that gives `argv` back, word for word, when a Windows
// program splits it (CommandLineToArgvW and the C run-time's rules: quotes
// around words with spaces, tabs or quotes, or empty; backslashes doubled
// only before a quote).
std::string WindowsCommandLine(const std::vector<std::string>& argv);

}  // namespace ledgerly
