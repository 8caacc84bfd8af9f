// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qlimg.h"

#include "qltrace.h"
#include "vyrenginebitmap.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <cstring>
#include <memory>

namespace {

template <size_t N> void CopyText(char (&out_field)[N], const char *in_pText)
{
    out_field[0] = '\0';
    if (in_pText) {
        std::strncpy(out_field, in_pText, N - 1);
        out_field[N - 1] = '\0';
    }
}

[[noreturn]] void ThrowEngineError(int in_result, const char *in_pFunction)
{
    throw new QLImageException(in_result, QLImgText::kEngineError, QLImgText::kModule,
                               in_pFunction);
}

} // namespace

tagQL_ERRSTRUCT::tagQL_ERRSTRUCT() : code(0)
{
    message[0] = file[0] = function[0] = '\0';
}

tagQL_ERRSTRUCT::tagQL_ERRSTRUCT(int32_t in_code, const char *in_pMessage, const char *in_pFile,
                                 const char *in_pFunction)
    : code(in_code)
{
    CopyText(message, in_pMessage);
    CopyText(file, in_pFile);
    CopyText(function, in_pFunction);
}

QLImage::QLImage(const QLImage &in_other)
{
    const int result = VYRGetEngine().CopyBitmap(&m_bitmap, &in_other.m_bitmap);
    if (result != VYR_SUCCESS)
        ThrowEngineError(result, QLImgText::kFnConstructor);
    m_name = in_other.m_name;
    m_rotateParam = in_other.m_rotateParam;
    m_bFileMirrored = in_other.m_bFileMirrored;
    m_pixelRatio = in_other.m_pixelRatio;
}

QLImage::QLImage(const QString &in_pathName, const VYRBitmap &in_bitmap)
{
    const int result = VYRGetEngine().CopyBitmap(&m_bitmap, &in_bitmap);
    if (result != VYR_SUCCESS)
        ThrowEngineError(result, QLImgText::kFnConstructor);
    m_name = in_pathName;
}

QLImage::~QLImage()
{
    VYRGetEngine().FreeBitmap(&m_bitmap);
}

void QLImage::Rotate(int in_angle)
{
    QL_ASSERT((in_angle == 90) || (in_angle == 180) || (in_angle == -90));
    bool valid = false;
    const VYROrientation turn = VYROrientation::FromAngle(in_angle, &valid);
    const int degrees = valid && turn.Angle() == in_angle ? 90 * turn.QuarterTurns() : 0;
    const int result = VYRGetEngine().RotateBitmap(&m_bitmap, degrees * 100, 0, m_rotateParam);
    if (result != VYR_SUCCESS)
        ThrowEngineError(result, QLImgText::kFnRotate);
}

void QLImage::Display(QPainter *in_pDC, int in_x, int in_y)
{
    const QSize size = GetDisplaySize();
    // Half-open rectangle: right = x + w, bottom = y + h; QRect keeps the inclusive edge.
    QRect dest(in_x, in_y, size.width(), size.height());
    // A denser bitmap is painted at its own size under a scale, so that the engine still
    // copies it pixel for pixel (and a compact one straight from its cache).
    const bool scaled = in_pDC && m_pixelRatio != 1.0;
    if (scaled) {
        in_pDC->save();
        in_pDC->translate(in_x, in_y);
        in_pDC->scale(1.0 / m_pixelRatio, 1.0 / m_pixelRatio);
        dest.moveTo(0, 0);
    }
    const int result = VYRGetEngine().PaintBitmap(in_pDC, &m_bitmap, nullptr, nullptr, &dest,
                                                  nullptr, VYR_SRCCOPY);
    if (scaled)
        in_pDC->restore();
    if (result != VYR_SUCCESS)
        ThrowEngineError(result, QLImgText::kFnDisplay);
}

VYRBitmap QLImage::GetBitmap() const
{
    return VYREnginePlainBitmap(m_bitmap);
}

int QLImage::LastSeparator() const
{
    // A separator in the first position is never taken: "/x" has no folder part to split off.
    for (int i = m_name.size() - 1; i >= 1; --i) {
        const QChar c = m_name.at(i);
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return i;
    }
    return -1;
}

QString QLImage::GetFileName() const
{
    const int sep = LastSeparator();
    return sep < 0 ? QString() : m_name.mid(sep + 1);
}

QString QLImage::GetDirectory() const
{
    const int sep = LastSeparator();
    return sep < 0 ? m_name : m_name.left(sep);
}

QSize QLImage::GetDisplaySize() const
{
    const int w = m_bitmap.Width();
    const int h = m_bitmap.Height();
    switch (m_bitmap.m_orientation) {
    case 4:
    case 5:
    case 7:
    case 8:
        return QSize(h, w);
    default:
        return QSize(w, h);
    }
}

namespace {

// Watches the main window and the application while a load runs: a close of the window
// or a quit sets the context's stop flag, which the per-file callback honours after the
// current file. The events themselves go on to their receivers untouched.
class QLLoadStopWatcher : public QObject
{
public:
    QLLoadStopWatcher(QLThumbBrowseContext *inout_pContext) : m_pContext(inout_pContext)
    {
        if (m_pContext->m_pWindow) {
            m_window = m_pContext->m_pWindow;
            m_window->installEventFilter(this);
        }
        if (QCoreApplication *app = QCoreApplication::instance())
            app->installEventFilter(this);
    }
    ~QLLoadStopWatcher() override
    {
        if (m_window)
            m_window->removeEventFilter(this);
        if (QCoreApplication *app = QCoreApplication::instance())
            app->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject *in_pWatched, QEvent *in_pEvent) override
    {
        const QEvent::Type type = in_pEvent->type();
        if (type == QEvent::Quit)
            m_pContext->m_stopRequested = true;
        else if (type == QEvent::Close && in_pWatched == m_window.data())
            m_pContext->m_stopRequested = true;
        return QObject::eventFilter(in_pWatched, in_pEvent);
    }

private:
    QLThumbBrowseContext *m_pContext;
    QPointer<QWidget> m_window;
};

int QLThumbnailArrived(VYRBitmap *in_pThumb, const QString &in_path,
                       const VYRThumbFileInfo *in_pInfo, int in_status, int, void *in_pUserData)
{
    auto *context = static_cast<QLThumbBrowseContext *>(in_pUserData);
    if (in_status == VYR_BROWSE_WAITING) {
        // A slow file: the window stays live meanwhile, and a stop does not wait for it.
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        const bool stop = context->m_stopRequested ||
                          (context->m_stopQuery && context->m_stopQuery(context->m_pUserData));
        return stop ? 0 : 1;
    }
    if (in_status != VYR_SUCCESS && context->m_failure)
        context->m_failure(in_path, in_status, context->m_pUserData);
    if (in_status == VYR_SUCCESS && in_pThumb) {
        try {
            QLImage image(in_path, *in_pThumb);
            // The browse undid a mirrored file's mirror in the thumbnail.
            image.SetFileMirrored(
                in_pInfo && VYROrientation::FromExif(in_pInfo->m_exifOrientation).IsMirrored());
            if (context->m_callback && !context->m_callback(&image, context->m_pUserData))
                return 0;
        } catch (QLImageException *in_pErr) {
            std::unique_ptr<QLImageException> err(in_pErr);
            QL_ASSERT(!"QLImageException while delivering a thumbnail");
        }
    }
    // Keep the user interface alive between files; a close or quit seen here stops the load.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return context->m_stopRequested ? 0 : 1;
}

} // namespace

int QLLoadThumbnails(QWidget *in_pWindow, const QString &in_folder, QSize in_size,
                     const QString &in_filter, uint32_t in_matteColor, bool in_subfolders,
                     QLThumbnailCallback in_callback, void *in_pUserData,
                     QLLoadStopQuery in_stopQuery, QLLoadFailure in_failure)
{
    QLThumbBrowseContext context;
    context.m_pWindow = in_pWindow;
    context.m_callback = in_callback;
    context.m_pUserData = in_pUserData;
    context.m_stopQuery = in_stopQuery;
    context.m_failure = in_failure;
    QLLoadStopWatcher watcher(&context);

    const int result = VYRGetEngine().BrowseThumbnails(
        in_folder, in_filter, in_size.width(), in_size.height(), 24, 0, 1, 1, in_matteColor, 1, 1,
        0, in_subfolders ? 1 : 0, 0, 0, 0, &QLThumbnailArrived, &context);
    if (result != VYR_SUCCESS && result != 0)
        ThrowEngineError(result, QLImgText::kFnLoadThumbnails);
    return result;
}

void QLRotateFile(const QString &in_source, const QString &in_destination, int in_code)
{
    QLRotateFile(in_source, in_destination, in_code, nullptr);
}

void QLRotateFile(const QString &in_source, const QString &in_destination, int in_code,
                  const VYRRotateOptions *in_pOptions)
{
    const int result =
        VYRGetEngine().RotateFile(in_source, in_destination, in_code, 0, 0, 0, in_pOptions);
    if (result != VYR_SUCCESS)
        ThrowEngineError(result, QLImgText::kFnRotateFile);
}
