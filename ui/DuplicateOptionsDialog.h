#pragma once
// DuplicateOptionsDialog: the options of a duplicate search, asked before each run. Every
// opening starts from the defaults; the values are set when Proceed is pressed.
#include <QDialog>
#include <cstdint>

#include "flagging/Duplicates.h"

class QCheckBox;
class QComboBox;

namespace ledgerly::ui {

class DuplicateOptionsDialog : public QDialog {
    Q_OBJECT
public:
    explicit DuplicateOptionsDialog(QWidget* parent = nullptr);

    bool Proceed = false;
    bool ExcludeDelimiters = true;
    bool ExcludeHeaders = false;
    bool ExcludeBodies = false;
    bool ResetOldFlags = false;
    std::int16_t CpuLevel = 2;

    DuplicateOptions options() const;

private:
    QCheckBox* delimiters_;
    QCheckBox* headers_;
    QCheckBox* bodies_;
    QCheckBox* reset_;
    QComboBox* cpu_;
};

}  // namespace ledgerly::ui
