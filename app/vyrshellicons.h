// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The window's icons: the desktop's icon theme first, so that Veyra looks like the programs
// around it, and our own drawings (app/icons, bundled as resources) where the theme has none.
#pragma once

#include <QIcon>
#include <QString>

enum class VYRShellIconId
{
    Folder,      // "folder-open": the "..." buttons
    RotateLeft,  // "object-rotate-left"
    RotateRight, // "object-rotate-right": Auto Rotate
    Undo,        // "edit-undo"
    Stop,        // "process-stop": stops a folder scan
    Recent,      // "document-open-recent": the recent folders
};

// The freedesktop.org icon name of in_id.
QString VYRShellIconName(VYRShellIconId in_id);
// The theme's icon of that name, or the bundled one (":/veyra/icons/NAME.svg"). Never null.
QIcon VYRShellIcon(VYRShellIconId in_id);
