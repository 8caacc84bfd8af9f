// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Tools > Suggest Turns: the window's side of the suggestions from the pictures. One run at a
// time looks at the photos of the grid on a thread of its own, below the window's priority,
// and marks each cell it has a confident suggestion for; the user accepts them (queued as
// clicks, so they settle and can be undone) or dismisses them. Nothing is written unasked.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class Document;
class QAction;
class QMainWindow;
class QMenu;
class VYRThumbVw;

class VYRSuggestController : public QObject
{
    Q_OBJECT

public:
    // in_view gives the grid (it is made after the controller).
    VYRSuggestController(QMainWindow *in_pFrame, Document *in_pDoc,
                         std::function<VYRThumbVw *()> in_view);
    // Stops a run and waits for its thread.
    ~VYRSuggestController() override;

    // Inserts the Tools menu before in_pBefore.
    void AddMenu(QMenu *in_pBefore);

    // Starts looking at the grid's photos; tells the user when there is nothing to look at.
    // Returns whether a run started.
    bool Start();
    // Asks a run to stop after the photo it is looking at; the suggestions made stay.
    void Stop();
    bool IsRunning() const { return m_thread.joinable() && !m_bFinished; }

    QAction *GetSuggestAction() const { return m_pSuggest; }
    QAction *GetAcceptAllAction() const { return m_pAcceptAll; }

signals:
    // A run ended (finished, stopped, or unable to start its detectors).
    void Finished();

private:
    struct Run;
    void OnResult(int in_serial, int in_index, const QString &in_path, int in_angle,
                  double in_confidence, const QString &in_evidence, const QString &in_error);
    void OnRunEnded(int in_serial, const QString &in_unavailable);
    void Join();
    void UpdateActions();
    void ShowProgress();

    QMainWindow *m_pFrame = nullptr;
    Document *m_pDoc = nullptr;
    std::function<VYRThumbVw *()> m_view;
    QAction *m_pSuggest = nullptr;
    QAction *m_pAcceptAll = nullptr;
    QAction *m_pAcceptMarked = nullptr;
    QAction *m_pDismissMarked = nullptr;

    std::thread m_thread;
    std::shared_ptr<std::atomic<bool>> m_pStop;
    bool m_bFinished = true;
    int m_serial = 0; // of the current run; results of an earlier one are dropped
    int m_total = 0;
    int m_lookedAt = 0;
    int m_suggested = 0;
};
