#include "body/ScriptRunner.h"

#include "app/FileHelpers.h"
#include "app/Process.h"
#include "store/Mailbox.h"
#include "store/PairTransaction.h"

namespace ledgerly {

std::vector<ScriptEntry> ListScripts(const std::string& scriptsFolder, const std::string& kind) {
    std::vector<ScriptEntry> out;
    const std::string dir = WithTrailingSeparator(scriptsFolder);
    for (const FolderEntry& e : ListFolder(dir))
        if (!e.isFolder && EndsWithNoCase(e.name, kind)) out.push_back({e.name, dir + e.name, kind});
    return out;
}

std::vector<ScriptEntry> ListAllScripts(const std::string& scriptsFolder) {
    std::vector<ScriptEntry> all = ListScripts(scriptsFolder, "tcl");
    for (ScriptEntry& e : ListScripts(scriptsFolder, "pl")) all.push_back(std::move(e));
    return all;
}

std::string InterpreterFor(const std::string& kind) {
    // Where the system associates a program with the kind (Windows), that one.
    if (std::string associated = AssociatedProgram("." + kind); !associated.empty()) return associated;
    return kind == "tcl" ? "tclsh" : "perl";
}

std::string MissingInterpreter(const std::string& kind) {
    const std::string interpreter = InterpreterFor(kind);
    if (ProgramOnPath(interpreter)) return {};
    return "'" + interpreter + "' is not installed: it runs ." + kind + " scripts. The script was not run.";
}

std::vector<std::string> ProceedAnywayQuestions(const std::string& mbxPath) {
    auto question = [](const std::string& path) { return "'" + path + "' not found.\r\nProceed anyway?"; };
    std::vector<std::string> out;
    if (!FileExists(mbxPath)) out.push_back(question(mbxPath));
    if (mbxPath.size() >= 3) {
        const std::string toc = MailboxPair::FromMailboxPath(mbxPath).toc();
        if (!FileExists(toc)) out.push_back(question(toc));
    }
    return out;
}

std::string ScriptLaunch::Confirmation() const {
    if (!backupError.empty())
        return "The backup could not be made, so the script was not run:\r\n" + backupError;
    std::string backups;
    if (!mbxBackup.empty()) backups += "\r\n'" + mbxBackup + "'";
    if (!tocBackup.empty()) backups += "\r\n'" + tocBackup + "'";
    std::string text = startError.empty() ? "Script executed." : "The script could not be started: " + startError;
    if (backups.empty()) return text + " No backup files were created (the mailbox files were not found).";
    return text + " Created backup files:" + backups;
}

ScriptLaunch PrepareScriptRun(AppState& state, const std::string& mbxPath, const ScriptEntry& script) {
    ScriptLaunch launch;
    // Backed up like any change to the pair (the script is one): under the
    // folder lock, after recovery, both files under one number.
    auto txn = PairTransaction::Begin(MailboxPair::FromMailboxPath(mbxPath), {PairChange::BackupsOnly}, &state);
    if (!txn) {
        launch.backupError = txn.error();
    } else {
        launch.tocBackup = txn->Backups().toc;
        launch.mbxBackup = txn->Backups().mbx;
    }
    launch.argv = {InterpreterFor(script.kind), GetShortPath(script.path), GetShortPath(mbxPath),
                   launch.mbxBackup.empty() ? std::string() : GetShortPath(launch.mbxBackup)};
    return launch;
}

}  // namespace ledgerly
