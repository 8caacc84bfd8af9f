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

private:
    const VYRCellLook *m_pLook = nullptr;
    bool m_bMarked = false;
    QString m_shownName;
    int m_shownWidthPx = -1;
    int m_shownFontSerial = -1;
};
