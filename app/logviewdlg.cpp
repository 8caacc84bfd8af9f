// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "logviewdlg.h"

#include "qlwnd.h"
#include "resource.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <utility>

#include "qlprompt.h"

namespace {

// The window's layout in dialog units (a quarter of the average character width across,
// an eighth of the character height down), as the other dialogs of the program measure.
// Wider than a dialog's 263 by 191: a log line holds a path, a file name and the time.
constexpr int kDialogWidthDu = 420;
constexpr int kDialogHeightDu = 220;
constexpr int kMarginDu = 7;

bool IsEnterKey(const QEvent *in_pEvent)
{
    if (in_pEvent->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<const QKeyEvent *>(in_pEvent)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

QString TimeText(const QDateTime &in_time)
{
    return in_time.toString(QStringLiteral("HH:mm:ss"));
}

// Draws each row's time in a column of its own, quieter than the line, so that the text of
// the row stays the log line itself.
class TimedLineDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *in_pPainter, const QStyleOptionViewItem &in_option,
               const QModelIndex &in_index) const override
    {
        QStyleOptionViewItem option(in_option);
        initStyleOption(&option, in_index);
        const int timeWidth = TimeColumnWidth(option.fontMetrics);
        const QString time = TimeText(in_index.data(Qt::UserRole).toDateTime());
        option.text.clear();
        QStyle *style = option.widget ? option.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &option, in_pPainter, option.widget);
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette::ColorRole role = selected ? QPalette::HighlightedText : QPalette::Text;
        QColor timeColour = option.palette.color(role);
        if (!selected)
            timeColour.setAlphaF(0.6);
        const QRect area = option.rect.adjusted(option.fontMetrics.averageCharWidth(), 0, 0, 0);
        in_pPainter->save();
        in_pPainter->setPen(timeColour);
        in_pPainter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter, time);
        in_pPainter->setPen(option.palette.color(role));
        in_pPainter->drawText(area.adjusted(timeWidth, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                              in_index.data(Qt::DisplayRole).toString());
        in_pPainter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &in_option,
                   const QModelIndex &in_index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(in_option, in_index);
        size.rwidth() +=
            TimeColumnWidth(in_option.fontMetrics) + in_option.fontMetrics.averageCharWidth() * 2;
        size.rheight() = qMax(size.height(), in_option.fontMetrics.height() * 5 / 4);
        return size;
    }

private:
    static int TimeColumnWidth(const QFontMetrics &in_metrics)
    {
        return in_metrics.horizontalAdvance(QStringLiteral("00:00:00")) +
               in_metrics.averageCharWidth() * 2;
    }
};

} // namespace

LogViewDlg::LogViewDlg(QWidget *in_pOwner, ClosedCallback in_onClosed)
    : QDialog(in_pOwner), m_onClosed(std::move(in_onClosed))
{
    // The title names the window, not the program: the desktop shows the program already.
    setWindowTitle(QString::fromUtf8(VYRShellText::kLogTitle));
    setModal(false);
    setSizeGripEnabled(true);
    QLSetControlId(this, IDD_LOGVIEW);

    m_pList = new QListWidget(this);
    QLSetControlId(m_pList, IDC_LOG_LIST);
    // Rows can be selected for copying; the order stays the order written.
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setSortingEnabled(false);
    m_pList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_pList->setUniformItemSizes(true);
    m_pList->setAlternatingRowColors(true);
    m_pList->setItemDelegate(new TimedLineDelegate(m_pList));
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
    CreateButtons(layout);
    resize(kDialogWidthDu * unitX / 4, kDialogHeightDu * unitY / 8);

    show();
}

LogViewDlg::~LogViewDlg()
{
    // Destroyed without being closed first (its owner went away): the document must still
    // forget it, and the size is still worth keeping.
    if (m_geometrySink)
        std::exchange(m_geometrySink, nullptr)(saveGeometry());
    NotifyClosed();
}

VYRLogView *LogViewDlg::Create(QWidget *in_pOwner, VYRLogViewClosed in_onClosed)
{
    return new LogViewDlg(in_pOwner, std::move(in_onClosed));
}

bool LogViewDlg::AddLine(const QString &in_line)
{
    const int before = m_pList->count();
    const QDateTime time = m_timeSource ? m_timeSource(m_linesAdded) : QDateTime();
    ++m_linesAdded;
    auto *item = new QListWidgetItem(in_line);
    item->setData(Qt::UserRole, time.isValid() ? time : QDateTime::currentDateTime());
    m_pList->addItem(item);
    if (m_pList->count() != before + 1)
        return false;
    // A new line shows at once, unless the user scrolled up to read earlier ones.
    if (m_pList->verticalScrollBar()->value() >= m_pList->verticalScrollBar()->maximum() - 1)
        m_pList->scrollToBottom();
    return true;
}

void LogViewDlg::CreateButtons(QVBoxLayout *inout_pLayout)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    const auto add = [&](const char *in_pText, unsigned in_id, void (LogViewDlg::*in_slot)()) {
        QPushButton *button =
            buttons->addButton(QString::fromUtf8(in_pText), QDialogButtonBox::ActionRole);
        QLSetControlId(button, static_cast<int>(in_id));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, in_slot);
        return button;
    };
    add(VYRShellText::kLogCopy, IDC_LOG_COPY, &LogViewDlg::Copy);
    add(VYRShellText::kLogSave, IDC_LOG_SAVE, &LogViewDlg::SaveAs);
    add(VYRShellText::kLogClear, IDC_LOG_CLEAR, &LogViewDlg::Clear);
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &LogViewDlg::reject);
    inout_pLayout->addWidget(buttons);
    auto *copyKey = new QAction(this);
    copyKey->setShortcut(QKeySequence::Copy);
    connect(copyKey, &QAction::triggered, this, &LogViewDlg::Copy);
    addAction(copyKey);
}

bool LogViewDlg::RestoreGeometry(const QByteArray &in_geometry)
{
    return !in_geometry.isEmpty() && restoreGeometry(in_geometry);
}

QString LogViewDlg::LinesAsText(bool in_bSelectedOnly) const
{
    const bool selectedOnly = in_bSelectedOnly && !m_pList->selectedItems().isEmpty();
    QString text;
    for (int i = 0; i < m_pList->count(); ++i) {
        const QListWidgetItem *item = m_pList->item(i);
        if (selectedOnly && !item->isSelected())
            continue;
        text += TimeText(item->data(Qt::UserRole).toDateTime()) + QStringLiteral("  ") +
                item->text() + QLatin1Char('\n');
    }
    return text;
}

void LogViewDlg::Copy()
{
    QApplication::clipboard()->setText(LinesAsText(true));
}

bool LogViewDlg::SaveTo(const QString &in_path, QString *out_pError) const
{
    QSaveFile file(in_path);
    const QByteArray bytes = LinesAsText(false).toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (out_pError)
        *out_pError = file.errorString();
    return false;
}

void LogViewDlg::SaveAs()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path = QFileDialog::getSaveFileName(
        this, QString::fromUtf8(VYRShellText::kLogSaveTitle),
        QDir(folder).filePath(QString::fromUtf8(VYRShellText::kLogDefaultName)),
        QString::fromUtf8(VYRShellText::kLogSaveFilter));
    if (path.isEmpty())
        return;
    QString error;
    if (!SaveTo(path, &error))
        QLMessageBox(QString::fromUtf8(VYRShellText::kLogSaveFailed)
                         .arg(QDir::toNativeSeparators(path), error));
}

void LogViewDlg::Clear()
{
    m_pList->clear();
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
    if (m_geometrySink)
        std::exchange(m_geometrySink, nullptr)(saveGeometry());
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
