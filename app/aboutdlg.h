// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The About box: product name and version, the maker, and OK.
#pragma once

#include <QDialog>

class AboutDlg : public QDialog
{
public:
    // A modal dialog titled "About Veyra" with the program's icon, "Veyra v1.1", the maker's
    // name and a default OK button (control identifier 1). OK, Enter and Escape close it.
    explicit AboutDlg(QWidget *in_pParent = nullptr);

    // Runs it modally; returns QL_IDOK for OK or Enter, QL_IDCANCEL for Escape / close box.
    int DoModal();
};
