// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrapp.h"

int main(int argc, char *argv[])
{
    VYRApp app(argc, argv);
    return app.Run();
}
