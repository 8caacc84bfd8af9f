// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrapp.h"
#include "vyrcliargs.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // The headless modes must run where no display exists: they never make a QApplication.
    if (VYRWantsCommandLine(args)) {
        QCoreApplication app(argc, argv);
        QStringList cliArgs = app.arguments();
        if (!cliArgs.isEmpty())
            cliArgs.removeFirst();
        return VYRRunCommandLine(cliArgs);
    }
    VYRApp app(argc, argv);
    return app.Run();
}
