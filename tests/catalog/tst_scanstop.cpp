// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The document's scan ends at once on a stop request (Escape answered Yes, another folder,
// the exit) while a photo is still being decoded, not when the next image arrives.
#include "document.h"
#include "heldbudget.h"
#include "qlwnd.h"
#include "resource.h"
#include "testjpeg.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestScanStop : public QObject
{
    Q_OBJECT

private slots:
    void stopSeenWhileAPhotoDecodes()
    {
        QTemporaryDir store, photos;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store.path());
        for (int i = 1; i <= 3; ++i)
            QVERIFY(!TestJpeg::Write(photos.path(), QStringLiteral("%1.jpg").arg(i)).isEmpty());
        // The main window, standing in for the thumbnail view too: it keeps the stop notices.
        struct Frame : QWidget
        {
            int m_stops = 0;
            bool event(QEvent *in_pEvent) override
            {
                if (in_pEvent->type() != QLMessageEvent::Type())
                    return QWidget::event(in_pEvent);
                m_stops +=
                    static_cast<QLMessageEvent *>(in_pEvent)->m_message == WM_LOADING_STOPPED;
                return true;
            }
        } frame;
        QLSetMainWindow(&frame);
        g_hThumbWnd = &frame;
        Document document;
        // The first photo's decode waits for memory the test holds: it is in progress whenever
        // the stop comes, and a stop that goes unseen fails the test instead of hanging it.
        HeldBudget held;
        QTimer::singleShot(60000, &frame, [&] { held.Release(); });
        QTimer::singleShot(0, &frame, [&] { document.RequestStopLoading(); });

        QVERIFY(document.OnOpenDocument(photos.path()));
        QVERIFY(held.IsHeld());
        QCOMPARE(document.GetImages().GetCount(), 0);
        QVERIFY(!document.IsLoading() && !document.IsStopLoadingRequested());
        QTRY_COMPARE(frame.m_stops, 1); // the notice the view waits for to reload or exit

        held.Release();
        QVERIFY(document.OnOpenDocument(photos.path()));
        QCOMPARE(document.GetImages().GetCount(), 3);
        document.OnCloseDocument();
        QLSetMainWindow(nullptr);
    }
};

QTEST_MAIN(TestScanStop)
#include "tst_scanstop.moc"
