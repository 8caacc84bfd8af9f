// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "suggestctl.h"

#include "document.h"
#include "qlprompt.h"
#include "qlthreadprio.h"
#include "resource.h"
#include "vyrsuggest.h"
#include "vyrthumbvw.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <utility>
#include <vector>

namespace T = VYRSuggestText;

namespace {

QString Text(const char *in_pText)
{
    return QString::fromUtf8(in_pText);
}

} // namespace

VYRSuggestController::VYRSuggestController(QMainWindow *in_pFrame, Document *in_pDoc,
                                           std::function<VYRThumbVw *()> in_view)
    : QObject(in_pFrame), m_pFrame(in_pFrame), m_pDoc(in_pDoc), m_view(std::move(in_view))
{
}

VYRSuggestController::~VYRSuggestController()
{
    Stop();
    Join();
}

void VYRSuggestController::AddMenu(QMenu *in_pBefore)
{
    auto *tools = new QMenu(Text(T::kMenuTools), m_pFrame);
    m_pFrame->menuBar()->insertMenu(in_pBefore ? in_pBefore->menuAction() : nullptr, tools);
    m_pSuggest = tools->addAction(Text(T::kMenuSuggest), this, [this] {
        if (IsRunning())
            Stop();
        else
            Start();
    });
    m_pSuggest->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    m_pSuggest->setShortcutContext(Qt::WindowShortcut);
    m_pFrame->addAction(m_pSuggest);
    tools->addSeparator();
    const auto accept = [this](bool in_bMarkedOnly) {
        if (VYRThumbVw *view = m_view())
            view->AcceptSuggestions(in_bMarkedOnly);
    };
    const auto dismiss = [this] {
        if (VYRThumbVw *view = m_view())
            view->DismissSuggestions(true);
    };
    m_pAcceptAll = tools->addAction(Text(T::kMenuAcceptAll), this, [accept] { accept(false); });
    m_pAcceptAll->setStatusTip(Text(T::kPromptAcceptAll));
    m_pAcceptMarked =
        tools->addAction(Text(T::kMenuAcceptSelected), this, [accept] { accept(true); });
    m_pAcceptMarked->setStatusTip(Text(T::kPromptAcceptSelected));
    m_pDismissMarked = tools->addAction(Text(T::kMenuDismissSelected), this, dismiss);
    m_pDismissMarked->setStatusTip(Text(T::kPromptDismissSelected));
    connect(tools, &QMenu::aboutToShow, this, [this] { UpdateActions(); });
    UpdateActions();
}

bool VYRSuggestController::Start()
{
    if (IsRunning())
        return false;
    Join();
    VYRThumbVw *view = m_view();
    if (!view)
        return false;
    std::vector<std::pair<int, QString>> candidates = view->SuggestionCandidates();
    if (candidates.empty()) {
        QLMessageBox(Text(T::kNothingToLookAt), QL_MB_OK);
        return false;
    }
    const int serial = ++m_serial;
    m_total = int(candidates.size());
    m_lookedAt = 0;
    m_suggested = 0;
    m_bFinished = false;
    m_pStop = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<bool>> stop = m_pStop;
    // The thread never outlives the controller (the destructor joins it), and calls queued
    // to a controller that is gone are dropped with it.
    m_thread = std::thread([this, serial, stop, candidates = std::move(candidates)] {
        QLLowerThreadPriority();
        VYRSuggester suggester;
        QString why;
        if (!suggester.IsReady(&why)) {
            QMetaObject::invokeMethod(
                this, [this, serial, why] { OnRunEnded(serial, why); }, Qt::QueuedConnection);
            return;
        }
        for (const auto &[index, path] : candidates) {
            if (stop->load())
                break;
            VYRSuggestion suggestion;
            QString error;
            const bool read = suggester.Suggest(path, &suggestion, &error);
            QMetaObject::invokeMethod(
                this,
                [this, serial, index = index, path = path, suggestion, read, error] {
                    OnResult(serial, index, path, read ? suggestion.m_angle : 0,
                             suggestion.m_confidence, suggestion.m_evidence,
                             read ? QString() : error);
                },
                Qt::QueuedConnection);
        }
        QMetaObject::invokeMethod(
            this, [this, serial] { OnRunEnded(serial, QString()); }, Qt::QueuedConnection);
    });
    UpdateActions();
    ShowProgress();
    return true;
}

void VYRSuggestController::Stop()
{
    if (m_pStop)
        m_pStop->store(true);
}

void VYRSuggestController::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void VYRSuggestController::OnResult(int in_serial, int in_index, const QString &in_path,
                                    int in_angle, double in_confidence, const QString &in_evidence,
                                    const QString &in_error)
{
    if (in_serial != m_serial)
        return;
    ++m_lookedAt;
    const QByteArray name = in_path.section(QLatin1Char('/'), -1).toUtf8();
    if (!in_error.isEmpty()) {
        m_pDoc->AddLogLine(
            QString::asprintf(T::kLogUnreadable, name.constData(), qUtf8Printable(in_error)));
    } else if (in_angle != 0 && in_confidence >= VYRDefaultSuggestConfidence()) {
        const QString words =
            QStringLiteral("%1, %2%").arg(in_evidence).arg(qRound(in_confidence * 100));
        VYRThumbVw *view = m_view();
        if (view && view->SetSuggestion(in_index, in_path, in_angle, words)) {
            ++m_suggested;
            m_pDoc->AddLogLine(QString::asprintf(T::kLogSuggested, in_angle, name.constData(),
                                                 qUtf8Printable(words)));
        }
    }
    ShowProgress();
}

void VYRSuggestController::OnRunEnded(int in_serial, const QString &in_unavailable)
{
    if (in_serial != m_serial)
        return;
    m_bFinished = true;
    Join();
    UpdateActions();
    if (!in_unavailable.isEmpty()) {
        m_pFrame->statusBar()->clearMessage();
        QLMessageBox(Text(T::kUnavailable).arg(in_unavailable), QL_MB_OK);
    } else {
        const bool stopped = m_lookedAt < m_total;
        const QString done = stopped ? Text(T::kStopped).arg(m_suggested).arg(m_lookedAt)
                                     : Text(T::kDone).arg(m_suggested).arg(m_total);
        m_pDoc->AddLogLine(done);
        m_pFrame->statusBar()->showMessage(done, 10000);
    }
    emit Finished();
}

void VYRSuggestController::ShowProgress()
{
    m_pFrame->statusBar()->showMessage(
        Text(T::kProgress).arg(std::min(m_lookedAt + 1, m_total)).arg(m_total));
}

void VYRSuggestController::UpdateActions()
{
    if (!m_pSuggest)
        return;
    const bool running = IsRunning();
    m_pSuggest->setText(Text(running ? T::kMenuStop : T::kMenuSuggest));
    m_pSuggest->setStatusTip(Text(running ? T::kPromptStop : T::kPromptSuggest));
    VYRThumbVw *view = m_view();
    const int count = view ? view->GetSuggestionCount() : 0;
    const bool marked = view && view->GetMarkedCount() > 0;
    m_pAcceptAll->setEnabled(count > 0);
    m_pAcceptMarked->setEnabled(count > 0 && marked);
    m_pDismissMarked->setEnabled(count > 0 && marked);
}
