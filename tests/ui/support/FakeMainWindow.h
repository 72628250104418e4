#pragma once
// Fakes for window tests: a Prompter that records and answers from a script,
// and a MainWindowApi around a plain widget.
#include <QStringList>
#include <QWidget>
#include <deque>
#include <memory>

#include "ui/GuiHost.h"
#include "ui/MainWindowApi.h"
#include "ui/Prompter.h"
#include "ui/ToolRunner.h"

namespace ledgerly::test {

class FakePrompter : public ui::Prompter {
public:
    QStringList informed;   // "title|text"
    QStringList asked;      // "title|text", the questions and the confirmations
    std::deque<bool> answers;
    bool dontAskAgain = false;  // ticked in every confirmation
    bool defaultAnswer = true;
    std::deque<QString> files;    // answers to openFile / saveFile, in order
    std::deque<QString> folders;  // answers to chooseFolder
    QString lastFilter;
    QString lastTitle;            // of the last save dialog
    int chosenFilterIndex = 0;    // which filter a save dialog reports as chosen

    void information(QWidget*, const QString& text, const QString& title, bool) override { informed << title + "|" + text; }
    bool question(QWidget*, const QString& text, const QString& title) override {
        asked << title + "|" + text;
        if (answers.empty()) return defaultAnswer;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    bool confirm(QWidget* parent, const QString& text, const QString& title, bool* again) override {
        if (again) *again = dontAskAgain;
        return question(parent, text, title);
    }
    QString openFile(QWidget*, const QString& filter, const QString&) override { lastFilter = filter; return Next(files); }
    QString saveFile(QWidget*, const QString& filter, const QString&, QString* chosen, const QString& title) override {
        lastFilter = filter;
        lastTitle = title;
        if (chosen) *chosen = filter.split(QStringLiteral(";;")).value(chosenFilterIndex);
        return Next(files);
    }
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return Next(folders); }

private:
    static QString Next(std::deque<QString>& q) {
        if (q.empty()) return {};
        QString s = q.front();
        q.pop_front();
        return s;
    }
};

class FakeMainWindow : public ui::MainWindowApi {
    // The real GUI host, but with the Eudora-running test answered by the fake.
    class Host : public ui::GuiHost {
    public:
        explicit Host(FakeMainWindow& main) : ui::GuiHost(main), main_(main) {}
        bool EudoraRunning() override { return main_.eudoraRunning; }
    private:
        FakeMainWindow& main_;
    };

public:
    FakeMainWindow() : host_(*this), runner_(appState, host_, &widget) {
        QObject::connect(&runner_, &ui::ToolRunner::runStarted, [this] { ++runs; });
    }
    QWidget widget;
    AppState appState;
    FakePrompter fakePrompter;
    std::string key;
    std::string tag;
    QString text;
    std::vector<TreeEntry> nodes;
    bool empty = false;
    QStringList statuses;
    int busyCount = 0, syncs = 0;
    int runs = 0;  // tools started on the worker thread
    bool eudoraRunning = false;

    QWidget* window() override { return &widget; }
    AppState& state() override { return appState; }
    ledgerly::Host& host() override { return host_; }
    ui::Prompter& prompter() override { return fakePrompter; }
    bool treeEmpty() const override { return empty; }
    std::string selectedKey() const override { return key; }
    std::string selectedTag() const override { return tag; }
    QString selectedText() const override { return text; }
    std::vector<TreeEntry> treeNodes() const override { return nodes; }
    void setStatus(const QString& text) override { statuses << text; }
    void setBusy(bool busy) override { if (busy) ++busyCount; }
    ui::ToolRunner& runner() override { return runner_; }
    // Handles events until the tool started last has ended.
    bool waitForTool(int timeoutMs = 60000) { return runner_.waitUntilIdle(timeoutMs); }
    void synchronizeTree() override { ++syncs; }

private:
    Host host_;
    ui::ToolRunner runner_;  // after the host it answers through
};

}  // namespace ledgerly::test
