// ledgerly-cli run-script MAILBOX.mbx SCRIPT: backs up the mailbox pair, runs
// the Tcl or Perl script with the mailbox and its fresh backup as arguments,
// waits for it and returns its exit status.
#include <iostream>

#include "app/FileHelpers.h"
#include "app/Process.h"
#include "body/ScriptRunner.h"
#include "cli/Cli.h"
#include "store/Mailbox.h"

namespace ledgerly::cli {
namespace {

void Register(CLI::App& app, Env& env) {
    auto* cmd = app.add_subcommand("run-script", "Run a Tcl or Perl script on a mailbox after backing it up");
    static std::string mailbox, script;
    static bool yes = false;
    cmd->add_option("MAILBOX", mailbox, "The mailbox file (.mbx)")->required();
    cmd->add_option("SCRIPT", script, "A .tcl or .pl file, or the name of one in the data folder's Scripts folder")->required();
    cmd->add_flag("--yes", yes, "Proceed without asking when the mailbox or TOC file is missing");
    cmd->callback([&env] {
        env.host.assumeYes = yes;
        const std::string key = MailboxArgument(mailbox);
        std::string scriptPath = script;
        if (!FileExists(scriptPath) && env.ResolveDataFolder(false)) {
            const std::string inFolder = env.state.paths.DataFolder + "Scripts" + kPathSeparator + script;
            if (FileExists(inFolder)) scriptPath = inFolder;
        }
        if (!FileExists(scriptPath)) { env.Fail("The script '" + script + "' does not exist."); return; }
        ScriptEntry entry{GetFileName(scriptPath), scriptPath, ""};
        if (EndsWithNoCase(scriptPath, ".tcl")) entry.kind = "tcl";
        else if (EndsWithNoCase(scriptPath, ".pl")) entry.kind = "pl";
        else { env.Fail("Only Tcl (.tcl) and Perl (.pl) scripts can be run."); return; }
        if (const std::string missing = MissingInterpreter(entry.kind); !missing.empty()) { env.Fail(missing); return; }
        for (const std::string& question : ProceedAnywayQuestions(key))
            if (!env.host.Ask(question, kConfirmationTitle)) { env.exitCode = 1; return; }
        const ScriptLaunch launch = PrepareScriptRun(env.state, key, entry);
        if (!launch.backupError.empty()) { env.Fail(launch.backupError + " The script was not run."); return; }
        if (!launch.mbxBackup.empty()) std::cerr << "Created backup file: " << launch.mbxBackup << '\n';
        if (!launch.tocBackup.empty()) std::cerr << "Created backup file: " << launch.tocBackup << '\n';
        auto status = RunAndWait(launch.argv);
        if (!status) { env.Fail(status.error()); return; }
        env.exitCode = *status;
    });
}

const CommandRegistrar registrar(81, &Register);

}  // namespace
}  // namespace ledgerly::cli
