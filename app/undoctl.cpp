// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "undoctl.h"

#include "document.h"
#include "historydlg.h"
#include "qlprompt.h"
#include "resource.h"
#include "thumb/vyrsharedthumbs.h"
#include "vyrjournaltext.h"

#include <QAction>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <atomic>

namespace T = VYRUndoText;

VYRUndoController::VYRUndoController(QMainWindow *in_pFrame, Document *in_pDoc,
                                     std::function<void()> in_refresh)
    : QObject(in_pFrame), m_pFrame(in_pFrame), m_pDoc(in_pDoc), m_refresh(std::move(in_refresh))
{
}

void VYRUndoController::AddMenus(QMenu *in_pBefore, QMenu *in_pView)
{
    auto *edit = new QMenu(QString::fromUtf8(T::kMenuEdit), m_pFrame);
    m_pFrame->menuBar()->insertMenu(in_pBefore ? in_pBefore->menuAction() : nullptr, edit);
    m_pUndo = edit->addAction(QIcon::fromTheme(QStringLiteral("edit-undo")),
                              QString::fromUtf8(T::kMenuUndo), this, [this] { Undo(); });
    m_pUndo->setShortcut(QKeySequence::Undo);
    m_pRedo = edit->addAction(QIcon::fromTheme(QStringLiteral("edit-redo")),
                              QString::fromUtf8(T::kMenuRedo), this, [this] { Redo(); });
    m_pRedo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    for (QAction *action : {m_pUndo, m_pRedo}) {
        action->setShortcutContext(Qt::WindowShortcut);
        m_pFrame->addAction(action);
    }
    connect(edit, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
    if (in_pView) {
        in_pView->addSeparator();
        in_pView->addAction(QString::fromUtf8(T::kMenuHistory), this, [this] { ShowHistory(); });
        // What a write does to the file's date belongs with what it keeps for undo.
        QAction *keep = in_pView->addAction(QString::fromUtf8(T::kMenuKeepDates));
        keep->setCheckable(true);
        keep->setChecked(m_pDoc->GetPrefs().KeepFileTime);
        keep->setStatusTip(QString::fromUtf8(T::kPromptKeepDates));
        connect(keep, &QAction::toggled, this,
                [this](bool in_on) { m_pDoc->GetPrefs().KeepFileTime = in_on; });
    }
}

qint64 VYRUndoController::UndoTarget()
{
    VYRJournal *journal = m_pDoc->GetJournal().Journal();
    return journal ? VYRUndoTarget(journal->Batches()) : 0;
}

qint64 VYRUndoController::RedoTarget()
{
    VYRJournal *journal = m_pDoc->GetJournal().Journal();
    return journal ? VYRRedoTarget(journal->Batches()) : 0;
}

void VYRUndoController::UpdateActions()
{
    // The keys stay live: a key pressed with nothing to take back says so.
    const bool idle = !m_bRestoring && m_pDoc->GetPendingCount() == 0;
    m_pUndo->setEnabled(idle && UndoTarget() != 0);
    m_pRedo->setEnabled(idle && RedoTarget() != 0);
}

bool VYRUndoController::CanRestore()
{
    if (m_bRestoring)
        return false;
    if (!m_pDoc->GetJournal().IsEnabled()) {
        QLMessageBox(QString::fromUtf8(T::kUndoOff), QL_MB_OK);
        return false;
    }
    if (m_pDoc->GetPendingCount() != 0) {
        QLMessageBox(QString::fromUtf8(T::kWaitForQueue), QL_MB_OK);
        return false;
    }
    return true;
}

void VYRUndoController::Undo()
{
    if (!CanRestore())
        return;
    if (const qint64 target = UndoTarget())
        RestoreBatch(target);
    else
        QLMessageBox(QString::fromUtf8(T::kNothingToUndo), QL_MB_OK);
    m_pUndo->setEnabled(true);
}

void VYRUndoController::Redo()
{
    if (!CanRestore())
        return;
    if (const qint64 target = RedoTarget())
        RestoreBatch(target);
    else
        QLMessageBox(QString::fromUtf8(T::kNothingToRedo), QL_MB_OK);
    m_pRedo->setEnabled(true);
}

void VYRUndoController::ShowHistory()
{
    VYRHistoryDlg dialog(m_pFrame, this, m_pDoc);
    dialog.exec();
}

bool VYRUndoController::RestoreBatch(qint64 in_batch)
{
    if (!CanRestore())
        return false;
    VYRJournalSession &session = m_pDoc->GetJournal();
    VYRJournal *journal = session.Journal();
    if (!journal)
        return false;
    // Whatever is turned from now on belongs to a batch of its own.
    session.EndBatch();
    m_bRestoring = true;

    QProgressDialog progress(QString::fromUtf8(T::kRestoring), QString(), 0, 0, m_pFrame);
    // Application-modal: nothing may quit or turn while the restore runs behind it.
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(400);
    std::atomic<int> done{0}, total{0};
    VYRRestoreReport report;
    QThread *thread = QThread::create([&] {
        journal->RestoreBatch(in_batch, &report, [&](int in_done, int in_total) {
            done = in_done;
            total = in_total;
        });
    });
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &progress, [&] {
        progress.setMaximum(total);
        progress.setValue(done);
    });
    connect(thread, &QThread::finished, &loop, &QEventLoop::quit);
    poll.start(50);
    thread->start();
    loop.exec();
    thread->wait();
    delete thread;
    progress.reset();
    m_bRestoring = false;

    for (const VYRTurnRecord &r : journal->Records(report.m_batch)) {
        // The desktop's thumbnails of the turned picture must not stand for the original.
        VYRForgetSharedThumbnails(r.m_path);
        m_pDoc->AddLogLine(
            QString::asprintf(T::kLogRestored, qUtf8Printable(QFileInfo(r.m_path).fileName())));
    }
    for (const VYRRestoreFailure &f : report.m_refused) {
        const QString name = QFileInfo(f.m_path).fileName();
        m_pDoc->AddLogLine(VYRWriteResultText(f.m_result, name, name));
        m_pDoc->AddLogLine(QString::asprintf(T::kLogNotRestored, qUtf8Printable(name)));
    }
    if (m_refresh && report.m_restored > 0)
        m_refresh();
    if (!report.m_refused.isEmpty()) {
        QLMessageBox(
            QString::asprintf(T::kRestoredSome, report.m_restored, int(report.m_refused.size())),
            QL_MB_OK);
        return false;
    }
    m_pFrame->statusBar()->showMessage(QString::asprintf(T::kRestoredAll, report.m_restored), 5000);
    return true;
}
