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

namespace ledgerly::test {

class FakePrompter : public ui::Prompter {
public:
    QStringList informed;   // "title|text"
    QStringList asked;      // "title|text"
    std::deque<bool> answers;
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
    FakeMainWindow() : host_(*this) {}
    QWidget widget;
    AppState appState;
    FakePrompter fakePrompter;
    std::string key;
    std::string tag;
    QString text;
    std::vector<TreeEntry> nodes;
    bool empty = false;
    QStringList statuses;
    int busyCount = 0, locks = 0, unlocks = 0, syncs = 0;
    int folderStateLocks = 0;  // locks that also switched the commands to the folder state
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
    void lockForTool(bool folderState) override {
        ++locks;
        if (folderState) ++folderStateLocks;
    }
    void unlockAfterTool(bool) override { ++unlocks; }
    void synchronizeTree() override { ++syncs; }

private:
    Host host_;
};

}  // namespace ledgerly::test
