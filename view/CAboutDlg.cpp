#include "CAboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "CGlyphLibrary.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Info über Kantilo"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* icon = new QLabel(this);
    icon->setPixmap(CGlyphLibrary::ApplicationIcon().pixmap(32, 32));
    // Plain text, so an ampersand in a line would be shown as it is.
    auto* version = new QLabel(QStringLiteral("Kantilo Version 1.0"), this);
    version->setTextFormat(Qt::PlainText);
    auto* line2 = new QLabel(QStringLiteral("Melodien schreiben und vertonen"), this);
    line2->setTextFormat(Qt::PlainText);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Vertical, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(version, 0, 1);
    layout->addWidget(line2, 1, 1);
    layout->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
    layout->setColumnStretch(1, 1);
    // About 235 x 55 dialog units of the classic 8-point dialog font.
    const QSize hint = sizeHint();
    setFixedSize(qMax(352, hint.width()), qMax(90, hint.height()));
}
