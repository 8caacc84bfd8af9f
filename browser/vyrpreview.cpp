// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "vyrpreview.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTransform>

#include "document.h"
#include "qlwnd.h"
#include "resource.h"
#include "thumb/vyrthumbdecode.h"
#include "vyrimg.h"
#include "vyrresulttext.h"
#include "vyrthumbvw.h"

namespace {
// Wait this long after the last resize step before decoding again at the new size.
constexpr int kResizeSettleMs = 150;
const QColor kBackdrop(24, 24, 24);
} // namespace

VYRPreview::VYRPreview(VYRThumbVw *in_pView) : QWidget(in_pView, Qt::Window), m_pView(in_pView)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
    m_pool.setMaxThreadCount(1);
    m_resizeTimer.setSingleShot(true);
    m_resizeTimer.setInterval(kResizeSettleMs);
    connect(&m_resizeTimer, &QTimer::timeout, this, [this] {
        // Only a larger window needs more pixels; a smaller one is served by shrinking.
        const QSize want = size() * devicePixelRatioF();
        if (want.width() > m_decodedBox.width() || want.height() > m_decodedBox.height())
            StartDecode();
    });
    if (QWidget *main = QLGetMainWindow())
        setGeometry(main->geometry());
    else
        resize(1024, 768);
}

VYRPreview::~VYRPreview()
{
    if (m_pCancel)
        m_pCancel->store(true);
    // The decode posts its result to this object: it must be over before the object is.
    m_pool.clear();
    m_pool.waitForDone();
}

VYRImage *VYRPreview::Item() const
{
    GridCell *cell = m_pView ? m_pView->GetCell(m_index) : nullptr;
    return cell ? static_cast<VYRImage *>(cell->GetItem()) : nullptr;
}

void VYRPreview::ShowIndex(int in_index)
{
    if (!m_pView || !m_pView->GetCell(in_index))
        return;
    m_index = in_index;
    m_pView->SetFocusIndex(in_index, true);
    m_decoded = QImage();
    m_shown = QImage();
    m_fitted = QImage();
    m_error.clear();
    StartDecode();
    if (!isVisible())
        show();
    raise();
    activateWindow();
    update();
}

void VYRPreview::StartDecode()
{
    VYRImage *item = Item();
    if (!item)
        return;
    QString path, name;
    {
        const QLLockGuard lock(g_catalogLock);
        path = item->GetPathName();
        name = item->GetFileName();
    }
    setWindowTitle(QString::fromUtf8(VYRGridText::kPreviewTitle)
                       .arg(name)
                       .arg(m_index + 1)
                       .arg(m_pView->GetCellCount()));
    if (m_pCancel)
        m_pCancel->store(true);
    m_pCancel = std::make_shared<std::atomic<bool>>(false);
    // A square box holds the picture either way up, so a quarter turn needs no new decode.
    const QSize window = size() * devicePixelRatioF();
    const int side = qMax(64, qMax(window.width(), window.height()));
    m_decodedBox = QSize(side, side);
    m_bDecoding = true;
    const quint64 token = ++m_token;
    const auto cancel = m_pCancel;
    const QSize box = m_decodedBox;
    m_pool.start([this, path, box, cancel, token] {
        QImage picture;
        VYRThumbFileInfo info;
        const int status = VYRDecodeFittedPicture(path, box, &picture, &info, cancel.get());
        QMetaObject::invokeMethod(this, "OnDecoded", Qt::QueuedConnection, Q_ARG(quint64, token),
                                  Q_ARG(int, status), Q_ARG(QImage, picture));
    });
}

void VYRPreview::OnDecoded(quint64 in_token, int in_status, const QImage &in_picture)
{
    if (in_token != m_token)
        return; // a later photo or size was asked for meanwhile
    m_bDecoding = false;
    if (in_status == VYR_SUCCESS) {
        m_decoded = in_picture;
        m_error.clear();
    } else {
        m_decoded = QImage();
        VYRImage *item = Item();
        const QString name = item ? item->GetFileName() : QString();
        m_error = QString::fromUtf8(VYRGridText::kPreviewFailed)
                      .arg(name, VYRResultText(in_status, name));
    }
    UpdateShown();
    emit PictureReady();
}

QImage VYRPreview::PictureAsWritten(const QImage &in_stored, bool in_bFileMirrored,
                                    bool in_bHasWork, VYROrientation in_transform)
{
    if (in_stored.isNull())
        return in_stored;
    if (!in_bHasWork)
        return in_bFileMirrored ? in_stored.mirrored(true, false) : in_stored;
    QImage picture = in_stored;
    if (in_transform.IsMirrored())
        picture = picture.mirrored(true, false);
    if (in_transform.QuarterTurns() != 0)
        picture = picture.transformed(QTransform().rotate(90.0 * in_transform.QuarterTurns()));
    return picture;
}

void VYRPreview::UpdateShown()
{
    VYRImage *item = Item();
    bool work = false, mirrored = false;
    VYROrientation transform;
    if (item) {
        const QLLockGuard lock(g_catalogLock);
        work = item->HasWork();
        mirrored = item->IsFileMirrored();
        transform = item->GetTransform();
    }
    m_shown = PictureAsWritten(m_decoded, mirrored, work, transform);
    m_fitted = QImage();
    update();
}

void VYRPreview::Turn(int in_angle)
{
    if (!m_pView)
        return;
    m_pView->QueueIndex(m_index, in_angle);
    UpdateShown();
}

void VYRPreview::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackdrop);
    if (m_shown.isNull()) {
        painter.setPen(QColor(220, 220, 220));
        painter.drawText(rect().adjusted(20, 20, -20, -20), Qt::AlignCenter | Qt::TextWordWrap,
                         m_error);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize room = size() * ratio;
    if (m_fitted.isNull() || m_fittedRoom != room) {
        // Shrunk once per change, never enlarged past the decoded pixels.
        m_fitted = m_shown.width() > room.width() || m_shown.height() > room.height()
                       ? m_shown.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                       : m_shown;
        m_fitted.setDevicePixelRatio(ratio);
        m_fittedRoom = room;
    }
    const QSizeF shown = QSizeF(m_fitted.size()) / ratio;
    const QPointF at((width() - shown.width()) / 2, (height() - shown.height()) / 2);
    painter.drawImage(at, m_fitted);
}

void VYRPreview::keyPressEvent(QKeyEvent *in_pEvent)
{
    const Qt::KeyboardModifiers modifiers = in_pEvent->modifiers() & ~Qt::KeypadModifier;
    const int count = m_pView ? m_pView->GetCellCount() : 0;
    if (modifiers == Qt::ControlModifier) {
        const int key = in_pEvent->key();
        if (key == Qt::Key_R || key == Qt::Key_L || key == Qt::Key_U) {
            Turn(key == Qt::Key_R ? 90 : key == Qt::Key_L ? -90 : 180);
            return;
        }
    }
    if (modifiers != Qt::NoModifier) {
        QWidget::keyPressEvent(in_pEvent);
        return;
    }
    switch (in_pEvent->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        close();
        return;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_PageUp:
    case Qt::Key_Backspace:
        if (m_index > 0)
            ShowIndex(m_index - 1);
        return;
    case Qt::Key_Right:
    case Qt::Key_Down:
    case Qt::Key_PageDown:
    case Qt::Key_Space:
        if (m_index + 1 < count)
            ShowIndex(m_index + 1);
        return;
    case Qt::Key_Home:
        ShowIndex(0);
        return;
    case Qt::Key_End:
        ShowIndex(count - 1);
        return;
    default:
        QWidget::keyPressEvent(in_pEvent);
    }
}

void VYRPreview::resizeEvent(QResizeEvent *in_pEvent)
{
    QWidget::resizeEvent(in_pEvent);
    m_fitted = QImage();
    if (m_index >= 0)
        m_resizeTimer.start();
}
