// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// VYRPreview: one photo of the grid, large, in a window of its own over the main window. The
// picture is decoded on a worker through the guarded decoder, at a reduced scale that just
// covers the window (never the whole picture when the window is smaller), and shown as its
// file will be written: with the item's pending turn and mirror applied. The arrows move
// through the grid's photos, the grid's turn keys turn the one shown, Escape closes.
#pragma once

#include <QImage>
#include <QPointer>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <memory>

#include "core/vyrorientation.h"

class VYRImage;
class VYRThumbVw;

class VYRPreview : public QWidget
{
    Q_OBJECT

public:
    // A window owned by in_pView (closed and deleted with it).
    explicit VYRPreview(VYRThumbVw *in_pView);
    ~VYRPreview() override;

    // Shows the photo of the grid's cell in_index (the grid's focus follows) and starts its
    // decode. Nothing for an index outside the cells.
    void ShowIndex(int in_index);
    int GetIndex() const { return m_index; }
    // True while a decode for the photo shown is under way.
    bool IsDecoding() const { return m_bDecoding; }
    // The picture as it is shown, before it is fitted to the window: the decoded picture with
    // the pending transform applied. Null until the decode is in, or when it failed.
    const QImage &GetShownImage() const { return m_shown; }
    // The failure text of the last decode, empty after a success.
    const QString &GetError() const { return m_error; }

    // What a file will hold once its job is written, from in_stored, its pixels as stored:
    // with in_transform applied when there is work. Without work, the picture as the grid
    // shows it (a mirrored file's mirror undone, in_bFileMirrored).
    static QImage PictureAsWritten(const QImage &in_stored, bool in_bFileMirrored, bool in_bHasWork,
                                   VYROrientation in_transform);

signals:
    // A decode ended (with a picture or a failure).
    void PictureReady();

protected:
    void paintEvent(QPaintEvent *in_pEvent) override;
    void keyPressEvent(QKeyEvent *in_pEvent) override;
    void resizeEvent(QResizeEvent *in_pEvent) override;

private:
    VYRImage *Item() const;
    void StartDecode();
    // Called queued from the decoding thread, by name: the call's arguments then travel in
    // the event alone, made there and freed here, with nothing shared to free on either side.
    Q_INVOKABLE void OnDecoded(quint64 in_token, int in_status, const QImage &in_picture);
    // Applies the item's pending transform to the decoded picture and repaints.
    void UpdateShown();
    void Turn(int in_angle);

    QPointer<VYRThumbVw> m_pView;
    int m_index = -1;
    QImage m_decoded; // the stored pixels, fitted
    QImage m_shown;
    QImage m_fitted; // m_shown at the window's size, made once per change
    QSize m_fittedRoom;
    QSize m_decodedBox;
    QString m_error;
    bool m_bDecoding = false;
    quint64 m_token = 0;
    std::shared_ptr<std::atomic<bool>> m_pCancel;
    QThreadPool m_pool;
    QTimer m_resizeTimer; // a new decode once a resize has settled
};
