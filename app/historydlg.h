// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// View > History...: the batches of the undo journal, newest first, with their photos; any
// batch that still has photos to give back can be restored from here.
#pragma once

#include <QDialog>

class Document;
class QPushButton;
class QTreeWidget;
class VYRUndoController;

class VYRHistoryDlg : public QDialog
{
    Q_OBJECT

public:
    VYRHistoryDlg(QWidget *in_pParent, VYRUndoController *in_pUndo, Document *in_pDoc);

    QTreeWidget *GetBatchList() const { return m_pBatches; }
    QTreeWidget *GetPhotoList() const { return m_pPhotos; }
    QPushButton *GetRestoreButton() const { return m_pRestore; }
    // Reads the journal again.
    void Reload();

private:
    void ShowPhotos();
    qint64 SelectedBatch() const;

    VYRUndoController *m_pUndo = nullptr;
    Document *m_pDoc = nullptr;
    QTreeWidget *m_pBatches = nullptr;
    QTreeWidget *m_pPhotos = nullptr;
    QPushButton *m_pRestore = nullptr;
};
