#pragma once
// The results window of the link miner and the address harvester: the list
// of entries and what the user does with them.
#include <QUrl>
#include <QWidget>
#include <functional>
#include <vector>

#include "mining/MinerResult.h"

class QAction;
class QLineEdit;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;

namespace ledgerly::ui {

class ImageList;
class MainWindowApi;

class MinerResultsWindow : public QWidget {
    Q_OBJECT
public:
    // Item data roles: the entry's bytes (Windows-1252) and its icon key.
    static constexpr int kTextRole = Qt::UserRole;
    static constexpr int kTagRole = Qt::UserRole + 1;
    static constexpr int kIconRole = Qt::UserRole + 2;

    // A new window owned by the main window and released when it closes.
    static MinerResultsWindow* Open(MainWindowApi& main, const MinerResult& result);

    MinerResultsWindow(MainWindowApi& main, const MinerResult& result, QWidget* parent);

    const std::string& mailboxName() const { return mailboxName_; }
    MinerMode mode() const;  // follows from the history entry's caption
    std::vector<MinerEntry> entries() const;          // in list order
    std::vector<MinerEntry> selectedEntries() const;  // in list order
    QTreeWidget* list() const { return list_; }

    // Hands a link or "mailto:" text to the desktop (replaceable for tests).
    void setUrlOpener(std::function<void(const QUrl&)> opener) { openUrl_ = std::move(opener); }

    void execute();
    void copySelection();
    void viewSource();
    void deleteSelection();
    void selectAllEntries();
    enum class Compose { To, CC, BCC };
    void compose(Compose kind);
    void addToHistory();
    void addToAddressBook();
    void exportEntries();
    // Enables "View Source" and "Execute" for at most one selected entry,
    // then opens the context menu at the global position.
    void openContextMenu(const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    void fill(const MinerResult& result);
    void applyPlacement();
    bool listKey(QKeyEvent* key);
    bool editorKey(QKeyEvent* key);
    void closeEditor(bool keepText);
    void refuseOrReport(const std::string& error);
    int selectedCount() const;
    QTreeWidgetItem* singleOrCurrent() const;

    MainWindowApi& main_;
    std::string mailboxName_;
    QTreeWidget* list_ = nullptr;
    QLineEdit* sourceT_ = nullptr;
    ImageList* urlI_ = nullptr;
    ImageList* formI_ = nullptr;
    QMenu* menuURL_ = nullptr;
    QMenu* menuComposeMessage_ = nullptr;
    QAction* menuExecute_ = nullptr;
    QAction* menuCopy_ = nullptr;
    QAction* menuViewSource_ = nullptr;
    QAction* menuAddToHistory_ = nullptr;
    QAction* menuAddToAddressBook_ = nullptr;
    QAction* menuExport_ = nullptr;
    QAction* menuDelete_ = nullptr;
    QAction* menuSelectAll_ = nullptr;
    QTreeWidgetItem* editing_ = nullptr;
    bool closingEditor_ = false;
    int startState_ = 0;  // 0 normal, 1 minimised, 2 maximised, else as designed
    std::function<void(const QUrl&)> openUrl_;
};

}  // namespace ledgerly::ui
