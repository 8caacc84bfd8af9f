// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// VYRPrefs: the settings that came after VYRConfig's fixed record (undo, settling, file
// dates, thumbnails, the window's looks). They live in the same store, group "Preferences",
// and never enter VYRConfig's archive form, so that form and its readers stay as they are.
// A missing or unreadable value reads as its default; values out of range are clamped.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class QSettings;

class VYRPrefs
{
public:
    static constexpr char kSection[] = "Preferences";

    // How long the journal keeps what undo needs, and how much disk it may hold.
    static constexpr int kDefaultUndoDays = 30;
    static constexpr int kDefaultUndoMegabytes = 2048;
    // How long a clicked row waits before its job starts, so that quick clicks add up.
    static constexpr int kDefaultSettleMs = 1000;

    int UndoDays = kDefaultUndoDays;           // "UndoDays": 0 turns the journal off
    int UndoMegabytes = kDefaultUndoMegabytes; // "UndoMegabytes": cap on kept originals
    int SettleMs = kDefaultSettleMs;           // "SettleMilliseconds": 0 starts at once
    bool KeepFileTime = false;                 // "KeepFileTime": written photo keeps mtime
    bool UseEmbeddedThumbnails = true;         // "UseEmbeddedThumbnails": Exif/MPF previews
    int EmbeddedThumbnailTolerance = 0;        // "EmbeddedThumbnailTolerance": percent short
    bool WriteSharedThumbnails = true;         // "WriteSharedThumbnails": desktop cache
    QString Theme = QStringLiteral("System");  // "Theme": System, Light or Dark
    QStringList RecentFolders;                 // "RecentFolders": newest first
    QByteArray LogWindowGeometry;              // "LogWindowGeometry": saveGeometry() form

    void Load(QSettings &in_store);
    // Stores the values that differ from their defaults and removes the others.
    void Save(QSettings &in_store) const;

    // The preferences of the user's profile store, read only (for the command line).
    static VYRPrefs FromProfile();
};
