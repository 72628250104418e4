#include "body/ScriptRunner.h"

#include <dirent.h>
#include <sys/stat.h>

#include "app/FileHelpers.h"
#include "body/Backup.h"
#include "store/Mailbox.h"

namespace ledgerly {

std::vector<ScriptEntry> ListScripts(const std::string& scriptsFolder, const std::string& kind) {
    std::vector<ScriptEntry> out;
    const std::string dir = WithTrailingSeparator(scriptsFolder);
    DIR* d = ::opendir(dir.c_str());
    if (!d) return out;
    while (dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (::stat((dir + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        if (!EndsWithNoCase(name, kind)) continue;
        out.push_back({name, dir + name, kind});
    }
    ::closedir(d);
    return out;
}

std::vector<ScriptEntry> ListAllScripts(const std::string& scriptsFolder) {
    std::vector<ScriptEntry> all = ListScripts(scriptsFolder, "tcl");
    for (ScriptEntry& e : ListScripts(scriptsFolder, "pl")) all.push_back(std::move(e));
    return all;
}

std::string InterpreterFor(const std::string& kind) { return kind == "tcl" ? "tclsh" : "perl"; }

std::string ScriptLaunch::Confirmation() const {
    if (!backupError.empty())
        return "The backup could not be made, so the script was not run:\r\n" + backupError;
    std::string text = "Script executed. Created backup files:";
    if (!mbxBackup.empty()) text += "\r\n'" + mbxBackup + "'";
    if (!tocBackup.empty()) text += "\r\n'" + tocBackup + "'";
    if (mbxBackup.empty() && tocBackup.empty()) text = "Script executed. No backup files were created (the mailbox files were not found).";
    return text;
}

ScriptLaunch PrepareScriptRun(AppState& state, const std::string& mbxPath, const ScriptEntry& script) {
    ScriptLaunch launch;
    const MailboxPair pair = MailboxPair::FromMailboxPath(mbxPath);
    auto toc = CreateBackup(state, pair.toc());
    if (!toc) launch.backupError = toc.error();
    else launch.tocBackup = *toc;
    if (launch.backupError.empty()) {
        auto mbx = CreateBackup(state, pair.mbx());
        if (!mbx) launch.backupError = mbx.error();
        else launch.mbxBackup = *mbx;
    }
    launch.argv = {InterpreterFor(script.kind), GetShortPath(script.path), GetShortPath(mbxPath),
                   launch.mbxBackup.empty() ? std::string() : GetShortPath(launch.mbxBackup)};
    return launch;
}

}  // namespace ledgerly
