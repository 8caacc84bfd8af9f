// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The control bar at the top of the main window: the source and output folders with their
// "..." buttons, the two options, the thumbnail size and "Auto Rotate".
#pragma once

#include <QFrame>
#include <functional>

class VYRControlBar : public QFrame
{
public:
    // Receives every click or selection change as a command: (control identifier,
    // notification code). Buttons and check boxes give QL_CN_COMMAND, the size combo box
    // QL_CBN_SELCHANGE.
    using CommandSink = std::function<void(unsigned in_id, int in_code)>;

    // Builds the eight controls, left to right, each carrying its identifier (QLSetControlId):
    // source label 1026, "..." 1025, "Include subdirectories" 1015, output label 1028,
    // "..." 1027, "In-place" 1017, size combo 1018 ("Small", "Medium", "Large" at indices
    // 0, 1, 2) and "Auto Rotate" 1032 (Alt+A). The "..." buttons carry tooltips and
    // accessible names. Check states and the combo selection start unset: the thumbnail view
    // sets them from the settings.
    explicit VYRControlBar(CommandSink in_sink, QWidget *in_pParent = nullptr);

private:
    CommandSink m_sink;
};
