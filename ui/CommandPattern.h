#pragma once
// The frame every mailbox command shares: nothing on an empty tree or while a
// tool runs; the file checks in the command's own order and the Eudora
// refusal, each answered with its information box; the question before a
// change; then the tool on the worker thread, and on the UI thread its closing
// text in the status bar ("Ready" unless the tool leaves its own) or its
// failure in a box.
#include <QString>
#include <functional>
#include <string>

#include "app/CommandChecks.h"
#include "app/Host.h"
#include "ui/ToolRunner.h"

namespace ledgerly::ui {

class MainWindowApi;

// What a command changes, as its question tells the user.
enum class Change {
    None,               // reads only: no question
    SummariesInPlace,   // the TOC file's summaries, rewritten in place, no backup
    BodiesWithBackups,  // every message body; numbered backups of both files first
    DelimiterRepair,    // the mailbox file; backups of both files, the TOC file deleted
};

struct MailboxCommand {
    const char* control;  // the menu item's name, also the key of its "Do not ask again"
    const char* title;    // what the question and the progress window call it
    FileChecks files = FileChecks::TocThenMbx;
    bool refuseWhileEudoraRuns = false;
    Change change = Change::None;
    StopMode stop = StopMode::ToolChecks;
};

// What a run leaves for the window.
struct ToolOutcome {
    std::string failure;         // shown in a box; the status bar then reads "Ready"
    std::string status;          // the status bar's closing text; empty: "Ready"
    std::string notice;          // shown in a box after a success
};

// False when the command must not run (empty tree, a run going, or a check
// refused it and its box was shown).
bool CheckMailboxCommand(MainWindowApi& main, FileChecks files, bool refuseWhileEudoraRuns);

// The question of a command that changes the mailbox `key` (its file path).
QString ChangeQuestion(const MailboxCommand& command, const std::string& key);
// Asks `question` unless the user said not to ask again for `control`; true
// for Yes. The "Do not ask again" of a Yes is kept in the settings file.
// `asked` tells whether the question was shown.
bool ConfirmChange(MainWindowApi& main, const char* control, const QString& question, bool* asked = nullptr);

using ToolWork = std::function<ToolOutcome(ToolContext&, const std::string& key)>;
// Checks, asks, and starts `work` with the selected mailbox's key. `after`
// runs on the UI thread with the outcome before it is shown (to open a
// results window, say). False when nothing started.
bool RunMailboxCommand(MainWindowApi& main, const MailboxCommand& command, ToolWork work,
                       std::function<void(ToolOutcome&, const ToolRunEnd&)> after = {});

// Starts `work` as it is (checks and question already made).
bool StartTool(MainWindowApi& main, const MailboxCommand& command, const std::string& key, ToolWork work,
               std::function<void(ToolOutcome&, const ToolRunEnd&)> after = {});

}  // namespace ledgerly::ui
