// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "fuzzcheck.h"

#include <QLoggingCategory>

void Fuzz::QuietTraces()
{
    static const bool done = [] {
        QLoggingCategory::setFilterRules(QStringLiteral("veyra.trace=false"));
        return true;
    }();
    (void)done;
}
