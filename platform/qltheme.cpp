// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qltheme.h"

#include <QApplication>
#include <QStyle>
#include <QStyleFactory>

#if defined(VEYRA_HAVE_DBUS)
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#endif

namespace {

// The palette the platform gave before ours replaced it: what "System" falls back on.
QPalette &PlatformPalette()
{
    static QPalette palette = QApplication::palette();
    return palette;
}

// A portal that does not answer quickly is not there: the window must not wait at start-up.
constexpr int kPortalTimeoutMs = 250;

} // namespace

int QLReadPortalColorScheme()
{
#if defined(VEYRA_HAVE_DBUS)
    // Nothing is shown on the offscreen platform: there is no desktop to ask.
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        return -1;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return -1;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("Read"));
    call << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme");
    const QDBusMessage reply = bus.call(call, QDBus::Block, kPortalTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return -1;
    // Read answers a variant holding a variant holding the number.
    QVariant value = reply.arguments().constFirst();
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    bool ok = false;
    const uint scheme = value.toUInt(&ok);
    return ok && scheme <= 2 ? static_cast<int>(scheme) : 0;
#else
    return -1;
#endif
}

QLColorScheme QLDesktopColorScheme()
{
    const int portal = QLReadPortalColorScheme();
    if (portal == 1)
        return QLColorScheme::Dark;
    if (portal == 2)
        return QLColorScheme::Light;
    const QColor window = PlatformPalette().color(QPalette::Active, QPalette::Window);
    return window.lightnessF() < 0.5 ? QLColorScheme::Dark : QLColorScheme::Light;
}

QLColorScheme QLResolveColorScheme(const QString &in_choice)
{
    if (in_choice.compare(QLatin1String(kQLThemeLight), Qt::CaseInsensitive) == 0)
        return QLColorScheme::Light;
    if (in_choice.compare(QLatin1String(kQLThemeDark), Qt::CaseInsensitive) == 0)
        return QLColorScheme::Dark;
    return QLDesktopColorScheme();
}

QPalette QLThemePalette(QLColorScheme in_scheme)
{
    const bool dark = in_scheme == QLColorScheme::Dark;
    struct Roles
    {
        QPalette::ColorRole m_role;
        QColor m_light;
        QColor m_dark;
    };
    const Roles roles[] = {
        {QPalette::Window, QColor(0xf3, 0xf4, 0xf6), QColor(0x20, 0x22, 0x25)},
        {QPalette::WindowText, QColor(0x1d, 0x1f, 0x22), QColor(0xe4, 0xe6, 0xe9)},
        {QPalette::Base, QColor(0xff, 0xff, 0xff), QColor(0x18, 0x19, 0x1b)},
        {QPalette::AlternateBase, QColor(0xf6, 0xf7, 0xf9), QColor(0x23, 0x25, 0x28)},
        {QPalette::Text, QColor(0x1d, 0x1f, 0x22), QColor(0xe4, 0xe6, 0xe9)},
        {QPalette::Button, QColor(0xea, 0xec, 0xef), QColor(0x2c, 0x2f, 0x33)},
        {QPalette::ButtonText, QColor(0x1d, 0x1f, 0x22), QColor(0xe4, 0xe6, 0xe9)},
        {QPalette::Highlight, QColor(0x2f, 0x7f, 0xd6), QColor(0x3d, 0x8f, 0xe0)},
        {QPalette::HighlightedText, QColor(0xff, 0xff, 0xff), QColor(0xff, 0xff, 0xff)},
        {QPalette::ToolTipBase, QColor(0xff, 0xff, 0xff), QColor(0x2c, 0x2f, 0x33)},
        {QPalette::ToolTipText, QColor(0x1d, 0x1f, 0x22), QColor(0xe4, 0xe6, 0xe9)},
        {QPalette::PlaceholderText, QColor(0x80, 0x86, 0x8e), QColor(0x8a, 0x90, 0x98)},
        {QPalette::Link, QColor(0x1f, 0x6f, 0xc6), QColor(0x6c, 0xb0, 0xf5)},
        {QPalette::Light, QColor(0xff, 0xff, 0xff), QColor(0x3a, 0x3d, 0x42)},
        {QPalette::Midlight, QColor(0xe2, 0xe4, 0xe8), QColor(0x33, 0x36, 0x3a)},
        {QPalette::Mid, QColor(0xc4, 0xc8, 0xce), QColor(0x45, 0x49, 0x4f)},
        {QPalette::Dark, QColor(0x9a, 0x9f, 0xa6), QColor(0x14, 0x15, 0x17)},
        {QPalette::Shadow, QColor(0x6a, 0x6e, 0x74), QColor(0x0a, 0x0a, 0x0b)},
    };
    QPalette palette;
    for (const Roles &entry : roles)
        palette.setColor(entry.m_role, dark ? entry.m_dark : entry.m_light);
    const QColor disabledText = dark ? QColor(0x6c, 0x71, 0x78) : QColor(0xa0, 0xa5, 0xab);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    palette.setColor(QPalette::Disabled, QPalette::Highlight,
                     dark ? QColor(0x3a, 0x3d, 0x42) : QColor(0xc4, 0xc8, 0xce));
    return palette;
}

QLColorScheme QLApplyTheme(const QString &in_choice)
{
    PlatformPalette(); // remember the platform's palette before the first change
    const QLColorScheme scheme = QLResolveColorScheme(in_choice);
    if (QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion")))
        QApplication::setStyle(fusion);
    QApplication::setPalette(QLThemePalette(scheme));
    return scheme;
}
