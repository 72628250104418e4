#pragma once
// The user's Tcl and Perl scripts in the data folder's Scripts folder, run on
// a mailbox with the mailbox file and a fresh backup of it as arguments.
#include <string>
#include <string_view>
#include <vector>

#include "app/AppState.h"
#include "app/Result.h"

namespace ledgerly {

struct ScriptEntry {
    std::string name;  // file name, as listed
    std::string path;  // full path
    std::string kind;  // "tcl" or "pl"
};

// The scripts of one kind in `scriptsFolder`, in the order the directory
// gives them; sub-folders are not searched. The kind is compared with the
// name's last letters without regard to case ("RUN.PL" is a Perl script).
std::vector<ScriptEntry> ListScripts(const std::string& scriptsFolder, const std::string& kind);
// Tcl scripts first, then Perl scripts.
std::vector<ScriptEntry> ListAllScripts(const std::string& scriptsFolder);

// The caption of the runner's questions and boxes.
inline constexpr std::string_view kConfirmationTitle = "Confirmation";

// The questions to ask before a script is run on `mbxPath`, in order: one for
// a missing mailbox file, one for a missing TOC file. A "No" ends the command.
std::vector<std::string> ProceedAnywayQuestions(const std::string& mbxPath);

struct ScriptLaunch {
    std::vector<std::string> argv;  // interpreter, script, mailbox, mailbox backup
    std::string tocBackup;          // made by this run; empty when none was made
    std::string mbxBackup;          // made by this run; empty when none was made
    std::string backupError;        // why a backup is missing, when one failed
    std::string startError;         // why the script could not be started
    // The text of the confirmation box: the backups made, or why the script
    // was not run (a script is never run without its backups).
    std::string Confirmation() const;
};

// Backs up the pair of `mbxPath` (TOC first, then mailbox) and prepares the
// command line. Only backups made by this run are passed to the script.
ScriptLaunch PrepareScriptRun(AppState& state, const std::string& mbxPath, const ScriptEntry& script);

// The interpreter for a script kind: the program the system associates with
// ".tcl" or ".pl" where there is one (Windows), else tclsh for "tcl", perl
// for "pl", looked up on PATH.
std::string InterpreterFor(const std::string& kind);
// Why a script of this kind cannot be run here (its interpreter is not on
// PATH); empty when it can. Checked before any backup is made.
std::string MissingInterpreter(const std::string& kind);

}  // namespace ledgerly
