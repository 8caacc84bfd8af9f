// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "historydlg.h"

#include "document.h"
#include "resource.h"
#include "undoctl.h"
#include "vyrjournaltext.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

namespace T = VYRUndoText;

constexpr int kBatchRole = Qt::UserRole;
constexpr int kLiveRole = Qt::UserRole + 1;

QTreeWidget *MakeList(const char *in_pColumns, QWidget *in_pParent)
{
    auto *list = new QTreeWidget(in_pParent);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setHeaderLabels(QString::fromUtf8(in_pColumns).split(QLatin1Char(';')));
    list->header()->setStretchLastSection(true);
    return list;
}

} // namespace

VYRHistoryDlg::VYRHistoryDlg(QWidget *in_pParent, VYRUndoController *in_pUndo, Document *in_pDoc)
    : QDialog(in_pParent), m_pUndo(in_pUndo), m_pDoc(in_pDoc)
{
    setWindowTitle(QString::fromUtf8(T::kHistoryCaption));
    resize(760, 520);
    auto *layout = new QVBoxLayout(this);
    auto *split = new QSplitter(Qt::Vertical, this);
    m_pBatches = MakeList(T::kHistoryColumns, split);
    m_pPhotos = MakeList(T::kRecordColumns, split);
    layout->addWidget(split);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_pRestore =
        buttons->addButton(QString::fromUtf8(T::kHistoryRestore), QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pBatches, &QTreeWidget::currentItemChanged, this, [this] { ShowPhotos(); });
    connect(m_pRestore, &QPushButton::clicked, this, [this] {
        if (const qint64 batch = SelectedBatch()) {
            m_pUndo->RestoreBatch(batch);
            Reload();
        }
    });
    Reload();
}

void VYRHistoryDlg::Reload()
{
    const qint64 keep = SelectedBatch();
    m_pBatches->clear();
    VYRJournal *journal = m_pDoc->GetJournal().Journal();
    const QList<VYRBatchInfo> batches = journal ? journal->Batches() : QList<VYRBatchInfo>();
    for (const VYRBatchInfo &b : batches) {
        auto *row = new QTreeWidgetItem(m_pBatches);
        row->setText(0, QString::number(b.m_id));
        row->setText(1, QLocale().toString(b.m_time.toLocalTime(), QLocale::ShortFormat));
        row->setText(2, b.m_origin);
        row->setText(3, QString::number(b.m_count));
        row->setText(4, VYRBatchStateWords(batches, b));
        row->setData(0, kBatchRole, b.m_id);
        row->setData(0, kLiveRole, b.m_count > b.m_undone);
        if (b.m_id == keep)
            m_pBatches->setCurrentItem(row);
    }
    for (int i = 0; i < m_pBatches->columnCount() - 1; ++i)
        m_pBatches->resizeColumnToContents(i);
    if (!m_pBatches->currentItem() && m_pBatches->topLevelItemCount() > 0)
        m_pBatches->setCurrentItem(m_pBatches->topLevelItem(0));
    ShowPhotos();
}

qint64 VYRHistoryDlg::SelectedBatch() const
{
    const QTreeWidgetItem *row = m_pBatches ? m_pBatches->currentItem() : nullptr;
    return row ? row->data(0, kBatchRole).toLongLong() : 0;
}

void VYRHistoryDlg::ShowPhotos()
{
    m_pPhotos->clear();
    const QTreeWidgetItem *current = m_pBatches->currentItem();
    m_pRestore->setEnabled(current && current->data(0, kLiveRole).toBool());
    VYRJournal *journal = m_pDoc->GetJournal().Journal();
    if (!current || !journal)
        return;
    for (const VYRTurnRecord &r : journal->Records(SelectedBatch())) {
        auto *row = new QTreeWidgetItem(m_pPhotos);
        row->setText(0, QDir::toNativeSeparators(r.m_path));
        row->setText(1, VYRRecordWords(r.m_transform));
        row->setText(2, VYRRecordStateWords(r.m_state));
    }
    m_pPhotos->resizeColumnToContents(0);
}
