// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The thumbnail view as the program shows it, for the grid and memory benchmarks: a main
// window, the document at a thumbnail size of 64, 128 or 256 pixels, and the view in a shown
// 1280x900 window, with its first events served. The caller keeps the settings elsewhere.
#pragma once

#include "document.h"
#include "qlwnd.h"
#include "vyrthumbvw.h"

#include <QApplication>
#include <QWidget>

struct BenchGridScene
{
    QWidget frame;
    Document document;
    VYRThumbVw view;

    explicit BenchGridScene(int in_thumbSize)
    {
        QLSetMainWindow(&frame);
        document.SetThumbSize(in_thumbSize == 64 ? 0 : in_thumbSize == 128 ? 1 : 2);
        document.AddView(&view);
        view.OnInitialUpdate();
        view.resize(1280, 900);
        view.show();
        QApplication::processEvents();
    }
};
