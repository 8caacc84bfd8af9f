// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrprefs.h"

#include <QSettings>
#include <QVariant>

#include <algorithm>

namespace {

QString Key(const char *in_name)
{
    return QString::fromLatin1(VYRPrefs::kSection) + QLatin1Char('/') + QLatin1String(in_name);
}

int ReadInt(QSettings &in_store, const char *in_name, int in_default, int in_min, int in_max)
{
    bool ok = false;
    const qint64 value = in_store.value(Key(in_name)).toString().trimmed().toLongLong(&ok);
    return ok ? int(std::clamp<qint64>(value, in_min, in_max)) : in_default;
}

bool ReadBool(QSettings &in_store, const char *in_name, bool in_default)
{
    const QString text = in_store.value(Key(in_name)).toString().trimmed().toLower();
    if (text == QLatin1String("1") || text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("0") || text == QLatin1String("false"))
        return false;
    return in_default;
}

} // namespace

void VYRPrefs::Load(QSettings &in_store)
{
    UndoDays = ReadInt(in_store, "UndoDays", kDefaultUndoDays, 0, 3650);
    UndoMegabytes = ReadInt(in_store, "UndoMegabytes", kDefaultUndoMegabytes, 0, 1 << 24);
    SettleMs = ReadInt(in_store, "SettleMilliseconds", kDefaultSettleMs, 0, 60000);
    KeepFileTime = ReadBool(in_store, "KeepFileTime", false);
    UseEmbeddedThumbnails = ReadBool(in_store, "UseEmbeddedThumbnails", true);
    EmbeddedThumbnailTolerance = ReadInt(in_store, "EmbeddedThumbnailTolerance", 0, 0, 50);
    WriteSharedThumbnails = ReadBool(in_store, "WriteSharedThumbnails", true);
    const QString theme = in_store.value(Key("Theme")).toString();
    Theme = (theme == QLatin1String("Light") || theme == QLatin1String("Dark"))
                ? theme
                : QStringLiteral("System");
    RecentFolders = in_store.value(Key("RecentFolders")).toStringList();
    LogWindowGeometry = in_store.value(Key("LogWindowGeometry")).toByteArray();
}

void VYRPrefs::Save(QSettings &in_store) const
{
    // Only what the user changed is stored: a profile of defaults holds the main record's
    // values alone, as it always has, and a later default reaches everyone who kept it.
    const VYRPrefs defaults;
    const auto put = [&](const char *in_name, const QVariant &in_value, bool in_isDefault) {
        if (in_isDefault)
            in_store.remove(Key(in_name));
        else
            in_store.setValue(Key(in_name), in_value);
    };
    put("UndoDays", UndoDays, UndoDays == defaults.UndoDays);
    put("UndoMegabytes", UndoMegabytes, UndoMegabytes == defaults.UndoMegabytes);
    put("SettleMilliseconds", SettleMs, SettleMs == defaults.SettleMs);
    put("KeepFileTime", KeepFileTime ? 1 : 0, KeepFileTime == defaults.KeepFileTime);
    put("UseEmbeddedThumbnails", UseEmbeddedThumbnails ? 1 : 0,
        UseEmbeddedThumbnails == defaults.UseEmbeddedThumbnails);
    put("EmbeddedThumbnailTolerance", EmbeddedThumbnailTolerance,
        EmbeddedThumbnailTolerance == defaults.EmbeddedThumbnailTolerance);
    put("WriteSharedThumbnails", WriteSharedThumbnails ? 1 : 0,
        WriteSharedThumbnails == defaults.WriteSharedThumbnails);
    put("Theme", Theme, Theme == defaults.Theme);
    put("RecentFolders", RecentFolders, RecentFolders.isEmpty());
    put("LogWindowGeometry", LogWindowGeometry, LogWindowGeometry.isEmpty());
}

VYRPrefs VYRPrefs::FromProfile()
{
    QSettings store(QStringLiteral("Quillmere"), QStringLiteral("Veyra"));
    VYRPrefs prefs;
    prefs.Load(store);
    return prefs;
}
