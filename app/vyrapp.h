// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// VYRApp: the application object. It starts the program (document, main window, views,
// the folder of the command line) and carries the Help menu's commands.
#pragma once

#include <QApplication>
#include <QStringList>

#include "qldocview.h"
#include "vyrlogview.h"

class Document;
class MainWnd;

class VYRApp : public QApplication, public QLCmdTarget
{
    Q_OBJECT

public:
    VYRApp(int &inout_argc, char **inout_argv);
    // Destroys what InitInstance made (ExitInstance).
    ~VYRApp() override;

    // Starts the program with the arguments of its command line (without the program name):
    // prepares skinning, names the settings store ("Quillmere"/"Veyra"), creates the
    // document, the main window and its views, shows the window maximised and then scans the
    // folder named by the first argument (a file names its folder), once the event loop runs.
    // Without an argument the source folder picker opens once the event loop runs. Returns
    // false when the main window cannot be made (nothing is left behind then).
    bool InitInstance(const QStringList &in_args);
    // Destroys the main window (its views first: the task list waits for its worker), then
    // the document (which saves the settings). Safe to call more than once. Returns 0.
    int ExitInstance();
    // InitInstance with the real command line, the event loop, ExitInstance. Returns the
    // program's exit code (1 when it could not start).
    int Run();

    // Help (57670), Help > Contents (40011) and Help > About (40010). Returns true for those.
    bool OnCmdMsg(unsigned in_id, int in_code, void *in_pExtra) override;
    // Opens "veyra.chm" from the current folder; when there is none, or nothing can show it,
    // the HTML help installed with the program. When neither opens, a message box says so
    // (naming the HTML help, when it is installed).
    void OnHelp();
    void OnHelpContents();
    // Shows the About box modally.
    void OnAppAbout();

    // Where the HTML help's first page is installed (empty when it is not found): "help/"
    // beside the program, or "../share/veyra/help/" from its folder.
    static QString FindHtmlHelp();

    // The log window of View > Log...: it opens at the size it had when last closed, shows
    // the time each line was written and leaves its size in the preferences when it closes.
    VYRLogView *CreateLogView(QWidget *in_pOwner, VYRLogViewClosed in_onClosed);

    Document *GetDocument() const { return m_pDocument; }
    MainWnd *GetMainWnd() const { return m_pMainWnd; }

private:
    Document *m_pDocument = nullptr;
    MainWnd *m_pMainWnd = nullptr;
};
