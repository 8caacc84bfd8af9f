// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The one way the program asks the user something: a message box with OK or Yes/No.
#pragma once

#include <QString>
#include <functional>

enum : unsigned
{
    QL_MB_OK = 0x0000,    // an OK button only
    QL_MB_YESNO = 0x0004, // Yes and No
    // With QL_MB_YESNO: No is the default button, so Enter (or a stray key press) never
    // chooses the answer that throws work away.
    QL_MB_DEFBUTTON2 = 0x0100,
};

enum : int
{
    QL_IDOK = 1,
    QL_IDCANCEL = 2,
    QL_IDYES = 6,
    QL_IDNO = 7,
};

// Shows in_text with the buttons of in_type and returns the button chosen (QL_IDOK,
// QL_IDYES or QL_IDNO). Call it on the user-interface thread only: a worker asks that
// thread to show it. Without a handler installed it shows a QMessageBox titled with the
// application's name, owned by the active window.
int QLMessageBox(const QString &in_text, unsigned in_type = QL_MB_OK);

// Tests answer prompts through a handler: it gets the text and type, returns the button.
using QLPromptHandler = std::function<int(const QString &in_text, unsigned in_type)>;
// Installs a handler (an empty one restores the real message box); returns the previous one.
QLPromptHandler QLSetPromptHandler(QLPromptHandler in_handler);
