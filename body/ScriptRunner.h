#pragma once
// The user's Tcl and Perl scripts in the data folder's Scripts folder, run on
// a mailbox with the mailbox file and a fresh backup of it as arguments.
#include <string>
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

struct ScriptLaunch {
    std::vector<std::string> argv;  // interpreter, script, mailbox, mailbox backup
    std::string tocBackup;          // made by this run; empty when none was made
    std::string mbxBackup;          // made by this run; empty when none was made
    std::string backupError;        // why a backup is missing, when one failed
    // The text of the confirmation box (or of the refusal when a backup failed:
    // a script is never run without its backups).
    std::string Confirmation() const;
};

// Backs up the pair of `mbxPath` (TOC first, then mailbox) and prepares the
// command line. Only backups made by this run are passed to the script.
ScriptLaunch PrepareScriptRun(AppState& state, const std::string& mbxPath, const ScriptEntry& script);

// The interpreter for a script kind: tclsh for "tcl", perl for "pl".
std::string InterpreterFor(const std::string& kind);

}  // namespace ledgerly
