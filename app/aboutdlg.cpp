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

#if __has_include(<jconfig.h>)
#include <jconfig.h>
#endif

namespace {

#define VYR_STRINGIFY2(x) #x
#define VYR_STRINGIFY(x) VYR_STRINGIFY2(x)

QString JpegLibraryVersion()
{
#if defined(LIBJPEG_TURBO_VERSION)
    return QStringLiteral(VYR_STRINGIFY(LIBJPEG_TURBO_VERSION));
#else
    return QStringLiteral("2.1");
#endif
}

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
    const int iconPx = fontMetrics().height() * 4;
    icon->setPixmap(QApplication::windowIcon().pixmap(iconPx, iconPx));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto *version = new QLabel(QString::fromUtf8(VYRText::kAboutVersion), this);
    auto *maker = new QLabel(QString::fromUtf8(VYRText::kAboutMaker), this);
    // What a user asks of an About box besides the version: what it is, its licence, who
    // made it and what it is built on (the versions matter in a bug report).
    auto *details = new QLabel(this);
    details->setTextFormat(Qt::PlainText);
    details->setWordWrap(true);
    details->setTextInteractionFlags(Qt::TextSelectableByMouse);
    details->setText(QString::fromUtf8(VYRShellText::kAboutSummary) + QLatin1Char('\n') +
                     QString::fromUtf8(VYRShellText::kAboutLicence) + QLatin1Char('\n') +
                     QString::fromUtf8(VYRShellText::kAboutCredits) + QLatin1Char('\n') +
                     QString::fromUtf8(VYRShellText::kAboutLibraries)
                         .arg(QStringLiteral(QT_VERSION_STR), QString::fromLatin1(qVersion()),
                              JpegLibraryVersion()));
    QFont bold = version->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.25);
    version->setFont(bold);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Vertical, this);
    QPushButton *ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    QLSetControlId(ok, kIdOk);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 3, 1);
    layout->addWidget(version, 0, 1);
    layout->addWidget(maker, 1, 1);
    layout->addWidget(details, 2, 1);
    layout->addWidget(buttons, 0, 2, 3, 1, Qt::AlignTop);
    layout->setVerticalSpacing(fontMetrics().height() / 3);
    layout->setColumnStretch(1, 1);

    // 186 by 78 dialog units, converted with the dialog font.
    const QFontMetrics metrics = fontMetrics();
    setMinimumSize(186 * metrics.averageCharWidth() / 4, 78 * metrics.height() / 8);
}

int AboutDlg::DoModal()
{
    return exec() == QDialog::Accepted ? QL_IDOK : QL_IDCANCEL;
}
