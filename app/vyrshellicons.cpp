// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrshellicons.h"

QString VYRShellIconName(VYRShellIconId in_id)
{
    switch (in_id) {
    case VYRShellIconId::Folder:
        return QStringLiteral("folder-open");
    case VYRShellIconId::RotateLeft:
        return QStringLiteral("object-rotate-left");
    case VYRShellIconId::RotateRight:
        return QStringLiteral("object-rotate-right");
    case VYRShellIconId::Undo:
        return QStringLiteral("edit-undo");
    case VYRShellIconId::Stop:
        return QStringLiteral("process-stop");
    case VYRShellIconId::Recent:
        return QStringLiteral("document-open-recent");
    }
    return {};
}

QIcon VYRShellIcon(VYRShellIconId in_id)
{
    const QString name = VYRShellIconName(in_id);
    // The drawings are vectors: one file serves every size and scale factor.
    return QIcon::fromTheme(name, QIcon(QStringLiteral(":/veyra/icons/%1.svg").arg(name)));
}
