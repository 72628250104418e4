#include "ui/AboutDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLibraryInfo>
#include <QVBoxLayout>

#include "app/FieldDecoder.h"
#include "app/FileHelpers.h"
#include "ui/Pictures.h"
#include "ui/Placement.h"

namespace ledgerly::ui {

QStringList AboutDialog::LibraryChecks(const std::string& programFolder) {
    QStringList lines;
    lines << QStringLiteral("Qt %1 (built with %2): loaded").arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR));
    const std::string decoder = DecoderLibraryPath(programFolder);
    const QString where = QString::fromLocal8Bit(decoder.c_str());
    if (!FileExists(decoder)) {
        lines << QStringLiteral("Header-field decoder %1: MISSING").arg(where);
    } else {
        FieldDecoder probe(decoder);
        const Status bound = probe.Bind();
        lines << (bound.ok() ? QStringLiteral("Header-field decoder %1: present").arg(where)
                             : QStringLiteral("Header-field decoder %1: present but unusable (%2)")
                                   .arg(where, QString::fromStdString(bound.error())));
    }
    return lines;
}

AboutDialog::AboutDialog(const AppState& state, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutF"));
    FitWhenShown(*this);  // large enough for its texts and columns
    setWindowTitle(QStringLiteral("About Ledgerly"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon().pixmap(48, 48));
    layout->addWidget(icon, 0, Qt::AlignHCenter);

    auto* name = new QLabel(QStringLiteral("<h2>Ledgerly %1</h2>").arg(QStringLiteral(LEDGERLY_VERSION)), this);
    name->setObjectName(QStringLiteral("nameL"));
    layout->addWidget(name, 0, Qt::AlignHCenter);

    auto* what = new QLabel(QStringLiteral("Repairs, cleans and mines the mail store of the Eudora mail client."), this);
    what->setWordWrap(true);
    layout->addWidget(what);

    auto* credits = new QLabel(QStringLiteral("Credits: the Ledgerly developers. Built with Qt (LGPL) and CLI11 (BSD). "
                                              "Eudora is a trademark of its owner; Ledgerly is not affiliated with it."),
                               this);
    credits->setObjectName(QStringLiteral("creditsL"));
    credits->setWordWrap(true);
    layout->addWidget(credits);

    auto* libs = new QLabel(QStringLiteral("<b>Libraries</b><br>") + LibraryChecks(state.paths.ProgramFolder).join(QStringLiteral("<br>")), this);
    libs->setObjectName(QStringLiteral("librariesL"));
    libs->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(libs);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

}  // namespace ledgerly::ui
