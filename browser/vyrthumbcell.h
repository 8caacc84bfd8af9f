// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// VYRThumbCell: one cell of the thumbnail grid as the thumbnail view draws it: the picture,
// a light frame, the file name under the picture when names are shown, and the mark of the
// user's selection. What a repaint needs (the name cut to the cell's width) is worked out
// once per width and kept on the cell, so a repaint touches no file and lays out no text.
#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include "dyngridview.h"

// What every cell of one view is drawn with; the view owns it and the cells point to it.
struct VYRCellLook
{
    bool m_bShowNames = false;
    int m_labelHeightPx = 0; // the text line under the picture, 0 without names
    QFont m_font;
    int m_fontSerial = 0; // bumped when the font changes, so that names are cut again
    QColor m_frame;       // the cell's own frame
    QColor m_text;
    QColor m_markFill;  // behind a selected cell's picture and name
    QColor m_markFrame; // around a selected cell
};

class VYRThumbCell : public GridCell
{
public:
    VYRThumbCell(QLImage *in_pItem, const VYRCellLook *in_pLook);

    // The picture at the inner rectangle's top-left corner, the name on the line below it
    // (cut in the middle to the inner width), then the frame; a selected cell is tinted and
    // framed in the highlight colour. An item that cannot be painted leaves the cell empty.
    void Draw(QPainter *in_pDC) override;

    bool IsMarked() const { return m_bMarked; }
    void SetMarked(bool in_bMarked) { m_bMarked = in_bMarked; }
    // The file name as drawn at in_widthPx (computed once per width and font).
    const QString &ShownName(int in_widthPx);

    // A turn the picture itself suggests (90, 180 or -90; 0: none) and what it rests on, for
    // the badge and the tooltip. Advice only: nothing is queued until the user accepts it.
    int GetSuggestedAngle() const { return m_suggestedAngle; }
    const QString &GetSuggestionWords() const { return m_suggestionWords; }
    void SetSuggestion(int in_angle, const QString &in_words)
    {
        m_suggestedAngle = in_angle;
        m_suggestionWords = in_angle != 0 ? in_words : QString();
    }

private:
    // A round badge in the picture's top-right corner with an arrow the way of the turn.
    void DrawSuggestionBadge(QPainter *in_pDC, const GridRect &in_inner) const;

    const VYRCellLook *m_pLook = nullptr;
    bool m_bMarked = false;
    int m_suggestedAngle = 0;
    QString m_suggestionWords;
    QString m_shownName;
    int m_shownWidthPx = -1;
    int m_shownFontSerial = -1;
};
