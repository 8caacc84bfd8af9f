// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "aboutdlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "qlprompt.h"
#include "qlwnd.h"
#include "resource.h"

namespace {
enum : int
{
    kIdOk = 1
};
} // namespace

AboutDlg::AboutDlg(QWidget *in_pParent) : QDialog(in_pParent)
{
    setWindowTitle(QString::fromUtf8(VYRText::kAboutCaption));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(true);

    auto *icon = new QLabel(this);
    const int iconPx = fontMetrics().height() * 2;
    icon->setPixmap(QApplication::windowIcon().pixmap(iconPx, iconPx));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto *version = new QLabel(QString::fromUtf8(VYRText::kAboutVersion), this);
    auto *maker = new QLabel(QString::fromUtf8(VYRText::kAboutMaker), this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Vertical, this);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    QLSetControlId(ok, kIdOk);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1);
    layout->addWidget(version, 0, 1);
    layout->addWidget(maker, 1, 1);
    layout->addWidget(buttons, 0, 2, 2, 1, Qt::AlignTop);
    layout->setColumnStretch(1, 1);

    // 186 by 78 dialog units, converted with the dialog font.
    const QFontMetrics metrics = fontMetrics();
    setMinimumSize(186 * metrics.averageCharWidth() / 4, 78 * metrics.height() / 8);
}

int AboutDlg::DoModal()
{
    return exec() == QDialog::Accepted ? QL_IDOK : QL_IDCANCEL;
}
