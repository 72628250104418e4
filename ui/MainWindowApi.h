#pragma once
// What a command handler and the tool windows may use of the main window.
// The main window implements it; window tests implement it with a fake.
#include <QString>
#include <string>
#include <vector>

#include "app/AppState.h"
#include "app/Host.h"

class QWidget;

namespace ledgerly::ui {

class Prompter;
class ToolRunner;

class MainWindowApi {
public:
    virtual ~MainWindowApi() = default;

    virtual QWidget* window() = 0;
    virtual AppState& state() = 0;
    virtual Host& host() = 0;          // status bar, boxes, Wait, progress window
    virtual Prompter& prompter() = 0;  // questions, information boxes, file dialogs

    virtual bool treeEmpty() const = 0;
    virtual std::string selectedKey() const = 0;  // native path of the selected node
    virtual std::string selectedTag() const = 0;  // "root", "folder" or a message count
    virtual QString selectedText() const { return {}; }  // the selected node's text

    // Every node of the tree, in the tree's order (the node collection's).
    struct TreeEntry {
        std::string key;
        QString text;
    };
    virtual std::vector<TreeEntry> treeNodes() const { return {}; }

    virtual void setStatus(const QString& text) = 0;
    virtual void setBusy(bool busy) = 0;  // hourglass while a window works on the UI thread
    // Runs the tools off the UI thread, one at a time. While it runs, the
    // window keeps the tree and the commands that touch a mailbox disabled.
    virtual ToolRunner& runner() = 0;
    // Rebuilds the tree (after a tool changed what it shows).
    virtual void synchronizeTree() = 0;
};

}  // namespace ledgerly::ui
