// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The window that shows the event log while it is open. The shell makes it (the document is
// given a factory at start-up), so the document needs nothing of the shell's headers: it
// appends lines to the view and deletes it when the document goes.
#pragma once

#include <QString>
#include <functional>

class QWidget;

class VYRLogView
{
public:
    virtual ~VYRLogView() = default;
    // Appends in_line at the end of the view. Returns false when it could not be added.
    virtual bool AddLine(const QString &in_line) = 0;
};

// Told once, when the view closes or is destroyed otherwise; the view must not be used after.
using VYRLogViewClosed = std::function<void(VYRLogView *in_pView)>;
// Makes a log view owned by in_pOwner (may be null) and shows it, empty; it reports its end
// through in_onClosed. Returns null when no view can be made.
using VYRLogViewFactory =
    std::function<VYRLogView *(QWidget *in_pOwner, VYRLogViewClosed in_onClosed)>;
