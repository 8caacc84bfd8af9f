// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// VYRScanStatusPane: what the status bar says about the folder scan. While a scan runs,
// "Loading 1,234 photos..." with a progress bar and a Stop button; afterwards how many photos
// are shown, whether the scan was stopped, or that the folder is missing or unreadable.
#pragma once

#include <QObject>
#include <QString>
#include <functional>

#include "document.h"

class QProgressBar;
class QStatusBar;
class QToolButton;

class VYRScanStatusPane : public QObject
{
public:
    // Adds the progress bar and the Stop button (both hidden) to in_pBar, which owns them.
    // in_onStop runs when the user presses Stop.
    VYRScanStatusPane(QStatusBar *in_pBar, std::function<void()> in_onStop);

    // Shows in_status: the message pane's text, the progress bar and the Stop button.
    void Show(const VYRScanStatus &in_status);
    // What the message pane says when no menu prompt speaks: "Ready" before the first scan,
    // then the last scan's state.
    QString GetIdleText() const { return m_idleText; }

    // The message of in_status, numbers grouped by the default locale.
    static QString TextOf(const VYRScanStatus &in_status);

    QProgressBar *GetProgressBar() const { return m_pProgress; }
    QToolButton *GetStopButton() const { return m_pStop; }

private:
    QStatusBar *m_pBar;
    QProgressBar *m_pProgress = nullptr;
    QToolButton *m_pStop = nullptr;
    QString m_idleText;
};
