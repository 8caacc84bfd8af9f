// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "slctfldr.h"

#include "resource.h"

#include <QFileDialog>

namespace {

QLBrowseFolderDlg::Chooser &InstalledChooser()
{
    static QLBrowseFolderDlg::Chooser s_chooser;
    return s_chooser;
}

QString RunPlatformChooser(QWidget *in_pOwner, const QString &in_initialPath)
{
    // A window title of its own: the document string holds line breaks between its fields.
    return QFileDialog::getExistingDirectory(in_pOwner,
                                             QString::fromUtf8(VYRShellText::kPickSourceTitle),
                                             in_initialPath, QFileDialog::ShowDirsOnly);
}

} // namespace

QLBrowseFolderDlg::QLBrowseFolderDlg(QWidget *in_pParent, const QString &in_initialPath)
    : m_pParent(in_pParent), m_initialPath(in_initialPath)
{
}

int QLBrowseFolderDlg::DoModal()
{
    const Chooser chooser = InstalledChooser(); // a copy: the chooser may replace itself
    const QString chosen =
        chooser ? chooser(m_pParent, m_initialPath) : RunPlatformChooser(m_pParent, m_initialPath);
    // Cancel and a choice that gives no path end alike.
    if (chosen.isEmpty())
        return 2;
    m_path = chosen;
    return 1;
}

QLBrowseFolderDlg::Chooser QLBrowseFolderDlg::SetChooser(Chooser in_chooser)
{
    Chooser previous = std::move(InstalledChooser());
    InstalledChooser() = std::move(in_chooser);
    return previous;
}
