// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// QLBrowseFolderDlg: lets the user pick a folder with the platform's folder chooser, opened
// on a given folder.
#pragma once

#include <QString>
#include <functional>

class QWidget;

class QLBrowseFolderDlg
{
public:
    // What runs the chooser: gets the owner and the folder to open on, returns the folder
    // chosen, or an empty string when the user cancelled.
    using Chooser = std::function<QString(QWidget *in_pOwner, const QString &in_initialPath)>;

    // in_pParent owns the chooser while it is open (may be null); in_initialPath is the
    // folder it opens on. GetPath is empty until DoModal returns 1.
    QLBrowseFolderDlg(QWidget *in_pParent, const QString &in_initialPath);
    ~QLBrowseFolderDlg() = default;

    // Runs the chooser, modal to the owner. Returns 1 (IDOK) when a folder was chosen, its
    // path then in GetPath; 2 (IDCANCEL) when the user cancelled or chose nothing, GetPath
    // unchanged. The platform's chooser needs no resources that could fail, so unlike the
    // error records of the imaging wrapper nothing is thrown here.
    int DoModal();
    QString GetPath() const { return m_path; }

    // Replaces the chooser for every later DoModal (tests answer it this way); an empty one
    // restores the platform's chooser. Returns the previous one. User-interface thread only.
    static Chooser SetChooser(Chooser in_chooser);

private:
    QWidget *m_pParent;
    QString m_initialPath;
    QString m_path;
};
