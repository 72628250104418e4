#pragma once
// The column-alignment window: a sample mailbox list whose column widths the
// user drags into shape; Apply writes them into every mailbox below the
// selected folder.
#include <QDialog>
#include <QString>
#include <string>

#include "store/ColumnWidths.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace ledgerly::ui {

class MainWindowApi;

class AlignColumnsDialog : public QDialog {
    Q_OBJECT
public:
    AlignColumnsDialog(MainWindowApi& main, std::string folderKey, const QString& nodeText);

    // Widths of columns S ... V in character cells (120 twips each), with
    // their fractions: what a drag left, or what SetWidths gave.
    ColumnWidthSet Widths() const { return widths_; }
    void SetWidths(const ColumnWidthSet& widths);
    // Writes the widths into every mailbox of the tree below the folder.
    void Apply();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;  // Esc and the buttons end here

private:
    void SaveSettings();
    void FitSubject();      // Subject takes the width the other columns leave
    double CellPx() const;  // one character cell in pixels

    MainWindowApi& main_;
    std::string tag_;
    QTreeWidget* list_ = nullptr;
    QLabel* strip_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* close_ = nullptr;
    ColumnWidthSet widths_{};
    bool settingWidths_ = false;  // column widths being set by the program, not dragged
    bool saved_ = false;
    bool applying_ = false;
};

}  // namespace ledgerly::ui
