// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The window's colours: the desktop's light or dark preference, or the user's own choice.
// Qt 6.4 has no colour-scheme query of its own, so the preference is read as desktop programs
// on it do: the freedesktop.org settings portal ("org.freedesktop.appearance" /
// "color-scheme") over D-Bus where a session bus answers, else the lightness of the
// platform's own window colour.
#pragma once

#include <QPalette>
#include <QString>

enum class QLColorScheme
{
    Light,
    Dark,
};

// The stored choices (the "Theme" preference).
inline constexpr char kQLThemeSystem[] = "System";
inline constexpr char kQLThemeLight[] = "Light";
inline constexpr char kQLThemeDark[] = "Dark";

// The portal's answer: 1 prefers dark, 2 prefers light, 0 (or no answer) has no preference.
// Returns -1 when no portal could be asked within a short wait.
int QLReadPortalColorScheme();
// The desktop's scheme: the portal's preference when it has one, else Dark when the
// platform's window colour is dark (lightness below one half), else Light.
QLColorScheme QLDesktopColorScheme();
// The scheme of a stored choice: Light and Dark as they say; "System" and anything unknown
// follow the desktop.
QLColorScheme QLResolveColorScheme(const QString &in_choice);
// Our light or dark palette: quiet greys, one blue for selection and focus.
QPalette QLThemePalette(QLColorScheme in_scheme);
// Gives the application the Fusion style and the palette of in_choice. Returns the scheme
// applied. Call after the QApplication exists, on its thread.
QLColorScheme QLApplyTheme(const QString &in_choice);
