// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "scanstatus.h"

#include <QDir>
#include <QLocale>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolButton>
#include <utility>

#include "resource.h"
#include "vyrshellicons.h"

namespace {

QString Grouped(int in_count)
{
    // QLocale() is the user's locale; its digit grouping makes 1234 read "1,234" in English.
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return locale.toString(in_count);
}

QString Text(const char *in_pFormat)
{
    return QString::fromUtf8(in_pFormat);
}

} // namespace

VYRScanStatusPane::VYRScanStatusPane(QStatusBar *in_pBar, std::function<void()> in_onStop)
    : QObject(in_pBar), m_pBar(in_pBar), m_idleText(QString::fromUtf8(VYRText::kIdleMessage))
{
    m_pProgress = new QProgressBar(in_pBar);
    m_pProgress->setAccessibleName(Text(VYRShellText::kScanProgressName));
    m_pProgress->setTextVisible(false);
    m_pProgress->setMaximumWidth(in_pBar->fontMetrics().averageCharWidth() * 24);
    m_pProgress->setMaximumHeight(in_pBar->fontMetrics().height());
    m_pStop = new QToolButton(in_pBar);
    m_pStop->setText(Text(VYRShellText::kStopButton));
    m_pStop->setToolTip(Text(VYRShellText::kStopTip));
    m_pStop->setIcon(VYRShellIcon(VYRShellIconId::Stop));
    m_pStop->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_pStop->setAutoRaise(true);
    // A click must leave the focus on the thumbnails.
    m_pStop->setFocusPolicy(Qt::NoFocus);
    connect(m_pStop, &QToolButton::clicked, this, [in_onStop] {
        if (in_onStop)
            in_onStop();
    });
    in_pBar->addPermanentWidget(m_pProgress);
    in_pBar->addPermanentWidget(m_pStop);
    m_pProgress->hide();
    m_pStop->hide();
}

QString VYRScanStatusPane::TextOf(const VYRScanStatus &in_status)
{
    using Phase = VYRScanStatus::Phase;
    const QString folder = QDir::toNativeSeparators(in_status.m_folder);
    switch (in_status.m_phase) {
    case Phase::Started:
    case Phase::Progress:
        return Text(VYRShellText::kStatusLoading).arg(Grouped(in_status.m_total));
    case Phase::Stopped:
        return Text(VYRShellText::kStatusStopped).arg(Grouped(in_status.m_shown));
    case Phase::Finished:
        if (in_status.m_shown == 1)
            return Text(VYRShellText::kStatusOnePhoto);
        return Text(VYRShellText::kStatusPhotos).arg(Grouped(in_status.m_shown));
    case Phase::Missing:
        return Text(VYRShellText::kStatusMissing).arg(folder);
    case Phase::Unreadable:
        return Text(VYRShellText::kStatusUnreadable).arg(folder);
    }
    return {};
}

void VYRScanStatusPane::Show(const VYRScanStatus &in_status)
{
    using Phase = VYRScanStatus::Phase;
    const bool running =
        in_status.m_phase == Phase::Started || in_status.m_phase == Phase::Progress;
    if (running) {
        // Files may appear while the scan runs: the bar never runs past its end.
        m_pProgress->setRange(0, qMax(in_status.m_total, in_status.m_done));
        m_pProgress->setValue(in_status.m_done);
    }
    m_pProgress->setVisible(running);
    m_pStop->setVisible(running);
    const QString text = TextOf(in_status);
    const QString shown = m_pBar->currentMessage();
    const QString previous = std::exchange(m_idleText, text);
    // A menu prompt keeps the pane while the pointer is on its item; the scan's text comes
    // back when it leaves. One photo more with the same text repaints nothing.
    if ((shown.isEmpty() || shown == previous) && shown != text)
        m_pBar->showMessage(text);
}
