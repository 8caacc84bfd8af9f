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
    // The title is the document string as it stands, read on every call like the other
    // texts of the program.
    return QFileDialog::getExistingDirectory(in_pOwner, QString::fromUtf8(VYRText::kDocString),
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
