// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// A document with a running task list, items that count their own lifetimes, a way to run
// code inside the engine's file rotation (on the worker, during the file work), and a watch on
// the threads that turn thumbnails.
#pragma once

#include "document.h"
#include "qllock.h"
#include "resource.h"
#include "vyrengine.h"
#include "vyrimg.h"
#include "vyrtaskvw.h"

#include <QSettings>
#include <QString>
#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

// An item that knows whether it is alive: a second delete or a leak shows in the counts.
class CountedImage : public VYRImage
{
public:
    explicit CountedImage(const QLImage &in_image) : VYRImage(in_image)
    {
        std::lock_guard<std::mutex> lock(Mutex());
        Live().insert(this);
    }
    ~CountedImage() override
    {
        std::lock_guard<std::mutex> lock(Mutex());
        if (Live().erase(this) == 0)
            ++DoubleDeletes();
    }
    static int LiveCount()
    {
        std::lock_guard<std::mutex> lock(Mutex());
        return static_cast<int>(Live().size());
    }
    static bool IsAlive(const void *in_p)
    {
        std::lock_guard<std::mutex> lock(Mutex());
        return Live().count(static_cast<const CountedImage *>(in_p)) != 0;
    }
    static int &DoubleDeletes()
    {
        static int count = 0;
        return count;
    }

private:
    static std::mutex &Mutex()
    {
        static std::mutex mutex;
        return mutex;
    }
    static std::set<const CountedImage *> &Live()
    {
        static std::set<const CountedImage *> live;
        return live;
    }
};

// The thumbnail the tests give every item: asymmetric, so that a turn shows.
inline QImage TestThumbnail()
{
    QImage image(12, 8, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(11, 0, qRgb(0, 255, 0));
    return image;
}

// Code run by the engine's file rotation before the real one (worker thread, no lock held).
inline std::function<void()> &EngineHook()
{
    static std::function<void()> hook;
    return hook;
}

inline int HookedRotateFile(const QString &in_source, const QString &in_destination, int in_code,
                            int in_arg4, int in_arg5, int in_arg6,
                            const VYRRotateFinish *in_pFinish)
{
    if (EngineHook())
        EngineHook()();
    return VYRDefaultEngine().RotateFile(in_source, in_destination, in_code, in_arg4, in_arg5,
                                         in_arg6, in_pFinish);
}

// Installs in_hook for as long as the object lives.
class ScopedEngineHook
{
public:
    explicit ScopedEngineHook(std::function<void()> in_hook)
    {
        EngineHook() = std::move(in_hook);
        VYREngineTable table = VYRDefaultEngine();
        table.RotateFile = &HookedRotateFile;
        VYRSetEngine(&table);
    }
    ~ScopedEngineHook()
    {
        VYRSetEngine(nullptr);
        EngineHook() = nullptr;
    }
};

// The document, the task list with its worker, and the queueing side of the thumbnail view.
class QueueRig
{
public:
    explicit QueueRig(bool in_bStartWorker = true)
    {
        m_doc.GetConfig().Inplace = 1;
        m_pView = new VYRTaskVw;
        m_doc.AddView(m_pView);
        if (in_bStartWorker)
            m_startResult = m_pView->OnCreate();
    }
    ~QueueRig()
    {
        StopWorker();
        // An orderly exit, as a confirmed quit does it: no item stays pending, the queue is
        // dropped (detached items with it), then the listed items are deleted.
        {
            QLLockGuard lock(g_catalogLock);
            for (const auto *list : {&m_doc.GetQueue(), &m_doc.GetImages()}) {
                VYRImage *item = nullptr;
                for (int i = 0; i < list->GetCount(); ++i) {
                    if (list->Get(i, item))
                        item->SetPending(false);
                }
            }
        }
        m_doc.ClearQueue();
        m_doc.DeleteContents();
    }
    QueueRig(const QueueRig &) = delete;
    QueueRig &operator=(const QueueRig &) = delete;

    // Deletes the task list (waiting for its worker); idempotent.
    void StopWorker()
    {
        delete m_pView;
        m_pView = nullptr;
    }

    // Lists an item for in_path, as a folder scan would.
    VYRImage *AddItem(const QString &in_path)
    {
        VYRBitmap bitmap;
        bitmap.m_image = TestThumbnail();
        QLImage image(in_path, bitmap);
        auto *item = new CountedImage(image);
        m_doc.AddImage(item);
        return item;
    }

    // Queues a rotation of in_pItem the way a click on its thumbnail does.
    void Queue(VYRImage *in_pItem, int in_angle)
    {
        int rotation = 0;
        {
            QLLockGuard lock(g_catalogLock);
            in_pItem->Rotate(in_angle);
            rotation = in_pItem->GetRotation();
        }
        m_doc.AddLogLine(QString::asprintf(VYRText::kLogQueueing,
                                           qUtf8Printable(in_pItem->GetFileName()), rotation));
        m_doc.NotifyViews(nullptr, HINT_ITEM_QUEUED, in_pItem);
    }

    // How many log lines equal in_line.
    int LogCount(const QString &in_line) const { return m_doc.GetLog().count(in_line); }
    QString LastLog() const { return m_doc.GetLog().isEmpty() ? QString() : m_doc.GetLog().last(); }

    Document m_doc;
    VYRTaskVw *m_pView = nullptr;
    int m_startResult = -2;
};

inline QString Rotated(const QString &in_name)
{
    return QString::asprintf(VYRText::kLogRotated, qUtf8Printable(in_name));
}

inline QString Failed(const QString &in_name)
{
    return QString::asprintf(VYRText::kLogFailed, qUtf8Printable(in_name));
}

// Watches the engine's bitmap turns for as long as it lives. The thumbnail view draws
// without the catalog lock, so a thumbnail may only be turned on the user-interface thread
// (the thread that made this object); a turn anywhere else is counted.
class BitmapTurnWatch
{
public:
    BitmapTurnWatch()
    {
        UiThread() = std::this_thread::get_id();
        Turns() = 0;
        OffThread() = 0;
        VYREngineTable table = VYRDefaultEngine();
        table.RotateBitmap = &Turn;
        VYRSetEngine(&table);
    }
    ~BitmapTurnWatch() { VYRSetEngine(nullptr); }
    static std::atomic<int> &Turns()
    {
        static std::atomic<int> count{0};
        return count;
    }
    static std::atomic<int> &OffThread()
    {
        static std::atomic<int> count{0};
        return count;
    }

private:
    static std::thread::id &UiThread()
    {
        static std::thread::id id;
        return id;
    }
    static int Turn(VYRBitmap *inout_pBitmap, int in_angle, uint32_t in_flags, int32_t in_param)
    {
        ++Turns();
        if (std::this_thread::get_id() != UiThread())
            ++OffThread();
        return VYRDefaultEngine().RotateBitmap(inout_pBitmap, in_angle, in_flags, in_param);
    }
};

// Sends the profile store to in_dir for the whole run; true when it took effect.
inline bool IsolateStore(const QString &in_dir)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, in_dir);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, in_dir);
    return QSettings(QStringLiteral("Quillmere"), QStringLiteral("Veyra"))
        .fileName()
        .startsWith(in_dir);
}
