// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlskin.h"

// No skin engine is used: windows keep the platform's own look, so every call succeeds
// without doing anything.

bool QLSkinInitialize(void *, const char *)
{
    return true;
}

bool QLSkinLoadFromResource(void *, const char *, const char *)
{
    return true;
}

bool QLSkinSetWindowSkin(QWidget *, const char *)
{
    return true;
}

bool QLSkinSetWindowFlag(QWidget *, int)
{
    return true;
}
