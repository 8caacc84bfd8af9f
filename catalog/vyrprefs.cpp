// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrprefs.h"

#include <QSettings>

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
    in_store.setValue(Key("UndoDays"), UndoDays);
    in_store.setValue(Key("UndoMegabytes"), UndoMegabytes);
    in_store.setValue(Key("SettleMilliseconds"), SettleMs);
    in_store.setValue(Key("KeepFileTime"), KeepFileTime ? 1 : 0);
    in_store.setValue(Key("UseEmbeddedThumbnails"), UseEmbeddedThumbnails ? 1 : 0);
    in_store.setValue(Key("EmbeddedThumbnailTolerance"), EmbeddedThumbnailTolerance);
    in_store.setValue(Key("WriteSharedThumbnails"), WriteSharedThumbnails ? 1 : 0);
    in_store.setValue(Key("Theme"), Theme);
    in_store.setValue(Key("RecentFolders"), RecentFolders);
    in_store.setValue(Key("LogWindowGeometry"), LogWindowGeometry);
}

VYRPrefs VYRPrefs::FromProfile()
{
    QSettings store(QStringLiteral("Quillmere"), QStringLiteral("Veyra"));
    VYRPrefs prefs;
    prefs.Load(store);
    return prefs;
}
