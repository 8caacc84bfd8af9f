// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "logviewdlg.h"

#include "qlwnd.h"
#include "resource.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

// The window's layout in dialog units (a quarter of the average character width across,
// an eighth of the character height down), as the other dialogs of the program measure.
constexpr int kDialogWidthDu = 263;
constexpr int kDialogHeightDu = 191;
constexpr int kMarginDu = 7;

bool IsEnterKey(const QEvent *in_pEvent)
{
    if (in_pEvent->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(in_pEvent)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

LogViewDlg::LogViewDlg(QWidget *in_pOwner, ClosedCallback in_onClosed)
    : QDialog(in_pOwner), m_onClosed(std::move(in_onClosed))
{
    setWindowTitle(QString::fromUtf8(VYRText::kLogViewCaption));
    setModal(false);
    setSizeGripEnabled(false);
    QLSetControlId(this, IDD_LOGVIEW);

    m_pList = new QListWidget(this);
    QLSetControlId(m_pList, IDC_LOG_LIST);
    m_pList->setSelectionMode(QAbstractItemView::NoSelection);
    m_pList->setSortingEnabled(false);
    // Long paths would be cut at the right edge: let the list scroll sideways instead.
    m_pList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_pList->setUniformItemSizes(true);
    m_pList->setFrameShape(QFrame::Box);
    // The list would swallow Enter for item activation; the window closes on it instead.
    m_pList->installEventFilter(this);

    const QFontMetrics metrics(font());
    const int unitX = qMax(1, metrics.averageCharWidth());
    const int unitY = qMax(1, metrics.height());
    const int marginX = kMarginDu * unitX / 4;
    const int marginY = kMarginDu * unitY / 8;
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(marginX, marginY, marginX, marginY);
    layout->addWidget(m_pList);
    resize(kDialogWidthDu * unitX / 4, kDialogHeightDu * unitY / 8);

    show();
}

LogViewDlg::~LogViewDlg()
{
    // Destroyed without being closed first (its owner went away): the document must still
    // forget it.
    NotifyClosed();
}

VYRLogView *LogViewDlg::Create(QWidget *in_pOwner, VYRLogViewClosed in_onClosed)
{
    return new LogViewDlg(in_pOwner, std::move(in_onClosed));
}

bool LogViewDlg::AddLine(const QString &in_line)
{
    const int before = m_pList->count();
    m_pList->addItem(in_line);
    return m_pList->count() == before + 1;
}

void LogViewDlg::reject()
{
    Close();
}

void LogViewDlg::accept()
{
    Close();
}

bool LogViewDlg::eventFilter(QObject *in_pWatched, QEvent *in_pEvent)
{
    if (in_pWatched == m_pList && IsEnterKey(in_pEvent)) {
        Close();
        return true;
    }
    return QDialog::eventFilter(in_pWatched, in_pEvent);
}

void LogViewDlg::Close()
{
    if (m_bClosing)
        return;
    m_bClosing = true;
    hide();
    // The document forgets the view now, so that "&Log..." is enabled again at once; the
    // object goes when control is back in the event loop, never under its own handler.
    NotifyClosed();
    deleteLater();
}

void LogViewDlg::NotifyClosed()
{
    if (!m_onClosed)
        return;
    ClosedCallback callback = std::move(m_onClosed);
    m_onClosed = nullptr;
    callback(this);
}

void LogViewDlg::keyPressEvent(QKeyEvent *in_pEvent)
{
    // Without an OK button the base ignores Enter; here it closes the view like Escape.
    if (IsEnterKey(in_pEvent)) {
        Close();
        return;
    }
    QDialog::keyPressEvent(in_pEvent);
}
