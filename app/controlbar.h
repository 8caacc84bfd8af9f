// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The control bar at the top of the main window: the source and output folders with their
// "..." buttons, the two options, the thumbnail size and "Auto Rotate".
#pragma once

#include <QFrame>
#include <QStringList>
#include <functional>

class QComboBox;
class QLineEdit;

class VYRControlBar : public QFrame
{
public:
    // Receives every click or selection change as a command: (control identifier,
    // notification code). Buttons and check boxes give QL_CN_COMMAND, the size combo box
    // QL_CBN_SELCHANGE.
    using CommandSink = std::function<void(unsigned in_id, int in_code)>;

    // Builds the controls, left to right, each carrying its identifier (QLSetControlId):
    // source field 1026, "..." 1025, "Include subdirectories" 1015, output field 1028,
    // "..." 1027, "In-place" 1017, size combo 1018 ("Small", "Medium", "Large" at indices
    // 0, 1, 2), the file-type box 1040 (QL_CBN_SELCHANGE) and "Auto Rotate" 1032 (Alt+A).
    // The folder fields take typed and pasted paths and complete them from the file system. The
    // "..." buttons carry tooltips and accessible names. Check states and the combo selection start
    // unset: the thumbnail view sets them from the settings.
    explicit VYRControlBar(CommandSink in_sink, QWidget *in_pParent = nullptr);

    // A folder typed or pasted into field 1026 or 1028 and confirmed with Enter, or one
    // picked from the recent folders: (field identifier, the path as typed, trimmed).
    using PathSink = std::function<void(unsigned in_id, const QString &in_path)>;
    void SetPathSink(PathSink in_sink) { m_pathSink = std::move(in_sink); }
    // The folders the source field offers under its clock button, newest first.
    void SetRecentFolders(const QStringList &in_folders) { m_recentFolders = in_folders; }
    // Shows in_filter in the file-type box (control 1040): the JPEG entry for "*.jpg;*.jpeg",
    // otherwise the patterns themselves as an entry of their own.
    void ShowFilter(const QString &in_filter);
    // The patterns of the file-type box's current entry (empty for "Custom...").
    QString GetFilter() const;
    QLineEdit *GetSourceField() const { return m_pSource; }
    QLineEdit *GetDestField() const { return m_pDest; }
    QComboBox *GetFilterBox() const { return m_pFilter; }

private:
    QLineEdit *MakePathField(unsigned in_id, const char *in_pName);
    void ShowRecentMenu();

    CommandSink m_sink;
    PathSink m_pathSink;
    QStringList m_recentFolders;
    QLineEdit *m_pSource = nullptr;
    QLineEdit *m_pDest = nullptr;
    QComboBox *m_pFilter = nullptr;
};
