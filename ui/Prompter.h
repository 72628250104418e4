#pragma once
// Every question, information box and file dialog of the windows goes through
// a Prompter, so that tests can answer them.
#include <QString>

class QWidget;

namespace ledgerly::ui {

class Prompter {
public:
    virtual ~Prompter() = default;
    // An information box: information icon (or none), one OK button.
    virtual void information(QWidget* parent, const QString& text, const QString& title = QStringLiteral("Ledgerly"),
                             bool withIcon = true) = 0;
    // Yes / No; true for Yes.
    virtual bool question(QWidget* parent, const QString& text, const QString& title = QStringLiteral("Ledgerly")) = 0;
    // Yes / No with a "Do not ask again" box, whose state goes to `dontAskAgain`.
    virtual bool confirm(QWidget* parent, const QString& text, const QString& title, bool* dontAskAgain) = 0;
    // Filters as Qt writes them ("Eudora Mailbox Files (*.mbx)"); empty when cancelled.
    virtual QString openFile(QWidget* parent, const QString& filter, const QString& startFolder = {}) = 0;
    virtual QString saveFile(QWidget* parent, const QString& filter, const QString& proposedPath, QString* chosenFilter = nullptr,
                             const QString& title = {}) = 0;
    virtual QString chooseFolder(QWidget* parent, const QString& prompt, const QString& startFolder = {}) = 0;
};

// The real dialogs.
class DialogPrompter : public Prompter {
public:
    void information(QWidget* parent, const QString& text, const QString& title, bool withIcon) override;
    bool question(QWidget* parent, const QString& text, const QString& title) override;
    bool confirm(QWidget* parent, const QString& text, const QString& title, bool* dontAskAgain) override;
    QString openFile(QWidget* parent, const QString& filter, const QString& startFolder) override;
    QString saveFile(QWidget* parent, const QString& filter, const QString& proposedPath, QString* chosenFilter,
                     const QString& title) override;
    QString chooseFolder(QWidget* parent, const QString& prompt, const QString& startFolder) override;
};

}  // namespace ledgerly::ui
