#include "ui/Prompter.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>

namespace ledgerly::ui {

void DialogPrompter::information(QWidget* parent, const QString& text, const QString& title, bool withIcon) {
    QMessageBox box(withIcon ? QMessageBox::Information : QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool DialogPrompter::question(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

bool DialogPrompter::confirm(QWidget* parent, const QString& text, const QString& title, bool* dontAskAgain) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    auto* again = new QCheckBox(QStringLiteral("&Do not ask again"), &box);
    again->setObjectName(QStringLiteral("dontAskAgainC"));
    box.setCheckBox(again);
    const bool yes = box.exec() == QMessageBox::Yes;
    if (dontAskAgain) *dontAskAgain = again->isChecked();
    return yes;
}

QString DialogPrompter::openFile(QWidget* parent, const QString& filter, const QString& startFolder) {
    return QFileDialog::getOpenFileName(parent, QString(), startFolder, filter, nullptr, QFileDialog::ReadOnly);
}

QString DialogPrompter::saveFile(QWidget* parent, const QString& filter, const QString& proposedPath, QString* chosenFilter,
                                 const QString& title) {
    return QFileDialog::getSaveFileName(parent, title, proposedPath, filter, chosenFilter);
}

QString DialogPrompter::chooseFolder(QWidget* parent, const QString& prompt, const QString& startFolder) {
    return QFileDialog::getExistingDirectory(parent, prompt, startFolder);
}

}  // namespace ledgerly::ui
