// ledgerly-cli run-script MAILBOX.mbx SCRIPT [--yes]: backs up the mailbox
// pair, runs the Tcl or Perl script with the mailbox and its fresh backup as
// arguments, waits for it and returns its exit status.
#include "app/FileHelpers.h"
#include "app/Process.h"
#include "body/ScriptRunner.h"
#include "cli/Cli.h"
#include "cli/commands/AttachmentCli.h"
#include "store/Mailbox.h"

namespace ledgerly::cli {
namespace {

// The script as given, else by that name in the Scripts folder of the data
// folder (--data-folder, Eudora's registry entry, else the mailbox's own).
std::string FindScript(Env& env, const std::string& script, const std::string& mbx) {
    if (FileExists(script)) return script;
    std::vector<std::string> folders;
    if (env.ResolveDataFolder(false)) folders.push_back(env.state.paths.DataFolder);
    folders.push_back(StoreFolderOf(mbx));
    for (const std::string& folder : folders) {
        const std::string inFolder = folder + "Scripts" + kPathSeparator + script;
        if (FileExists(inFolder)) return inFolder;
    }
    return {};
}

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("run-script", "Run a Tcl or Perl script on a mailbox after backing it up");
    static std::string mailbox, script;
    cmd->add_option("MAILBOX", mailbox, kMailboxHelp)->required();
    cmd->add_option("SCRIPT", script, "A .tcl or .pl file, or the name of one in the data folder's Scripts folder")->required();
    AddYesOption(*cmd, env, "whether to go on when the mailbox or TOC file is missing");
    cmd->callback([&env] {
        const std::string key = env.MailboxPath(mailbox);
        const std::string scriptPath = FindScript(env, script, key);
        if (scriptPath.empty()) { env.Fail("The script '" + PathForTerminal(script) + "' does not exist."); return; }
        ScriptEntry entry{GetFileName(scriptPath), scriptPath, ""};
        if (EndsWithNoCase(scriptPath, ".tcl")) entry.kind = "tcl";
        else if (EndsWithNoCase(scriptPath, ".pl")) entry.kind = "pl";
        else { env.Fail("Only Tcl (.tcl) and Perl (.pl) scripts can be run."); return; }
        if (const std::string missing = MissingInterpreter(entry.kind); !missing.empty()) { env.Fail(missing); return; }
        for (const std::string& question : ProceedAnywayQuestions(key))
            if (!env.host.Ask(question, kConfirmationTitle)) { env.Fail("The script was not run."); return; }
        const ScriptLaunch launch = PrepareScriptRun(env.state, key, entry);
        if (!launch.backupError.empty()) { env.Fail(launch.backupError + " The script was not run."); return; }
        PrintBackups(env, launch.tocBackup, launch.mbxBackup);
        auto status = RunAndWait(launch.argv);
        if (!status) { env.Fail(status.error()); return; }
        env.exitCode = *status;
    });
}

const CommandRegistrar registrar(81, &Register);

}  // namespace
}  // namespace ledgerly::cli
