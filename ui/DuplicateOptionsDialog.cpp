#include "ui/DuplicateOptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Placement.h"

namespace ledgerly::ui {
namespace {
QCheckBox* Box(QWidget* parent, const char* name, const char* text) {
    auto* box = new QCheckBox(QString::fromUtf8(text), parent);
    box->setObjectName(QString::fromUtf8(name));
    return box;
}
}  // namespace

DuplicateOptionsDialog::DuplicateOptionsDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("duplikatiF"));
    FitWhenShown(*this);  // large enough for its texts and columns
    setWindowTitle(QStringLiteral("Flag Duplicates"));

    auto* frame = new QGroupBox(QStringLiteral("Exclude from Checking"), this);
    frame->setObjectName(QStringLiteral("ExcludeFrame"));
    delimiters_ = Box(frame, "delimitersC", "Message &Delimiters");
    headers_ = Box(frame, "headersC", "Message &Headers");
    bodies_ = Box(frame, "bodiesC", "Message &Bodies");
    delimiters_->setChecked(true);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(delimiters_);
    frameLayout->addWidget(headers_);
    frameLayout->addWidget(bodies_);
    // Leaving out both the headers and the bodies would leave nothing to compare.
    connect(headers_, &QCheckBox::toggled, this, [this](bool on) { if (on) bodies_->setChecked(false); });
    connect(bodies_, &QCheckBox::toggled, this, [this](bool on) { if (on) headers_->setChecked(false); });

    reset_ = Box(this, "resetC", "&Reset the Old Flags");
    auto* cpuLabel = new QLabel(QStringLiteral("&CPU-Time Consumption:"), this);
    cpuLabel->setObjectName(QStringLiteral("cpuL"));
    cpu_ = new QComboBox(this);
    cpu_->setObjectName(QStringLiteral("cpuC"));
    cpu_->addItems({QStringLiteral("Hyper"), QStringLiteral("Standard"), QStringLiteral("Relax to the Max")});
    cpu_->setCurrentIndex(1);
    cpuLabel->setBuddy(cpu_);

    auto* proceed = new QPushButton(QStringLiteral("&Proceed"), this);
    proceed->setObjectName(QStringLiteral("proceedD"));
    proceed->setDefault(true);
    auto* abort = new QPushButton(QStringLiteral("&Abort"), this);
    abort->setObjectName(QStringLiteral("abortD"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(reset_);
    auto* cpuRow = new QHBoxLayout;
    cpuRow->addWidget(cpuLabel);
    cpuRow->addWidget(cpu_, 1);
    layout->addLayout(cpuRow);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(proceed);
    buttons->addWidget(abort);
    layout->addLayout(buttons);

    connect(proceed, &QPushButton::clicked, this, [this] {
        Proceed = true;
        ExcludeDelimiters = delimiters_->isChecked();
        ExcludeHeaders = headers_->isChecked();
        ExcludeBodies = bodies_->isChecked();
        ResetOldFlags = reset_->isChecked();
        CpuLevel = static_cast<std::int16_t>(cpu_->currentIndex() + 1);
        accept();
    });
    connect(abort, &QPushButton::clicked, this, [this] {
        Proceed = false;
        reject();
    });
}

DuplicateOptions DuplicateOptionsDialog::options() const {
    DuplicateOptions o;
    o.ExcludeDelimiters = ExcludeDelimiters;
    o.ExcludeHeaders = ExcludeHeaders;
    o.ExcludeBodies = ExcludeBodies;
    o.CpuLevel = CpuLevel;
    return o;
}

}  // namespace ledgerly::ui
