// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Edit > Undo, Edit > Redo and View > History...: the window's side of the undo journal.
// A restore runs off the user-interface thread behind a progress box, and only while no turn
// is pending, so that it never races the worker for a photo.
#pragma once

#include <QObject>
#include <functional>

class Document;
class QAction;
class QMainWindow;
class QMenu;

class VYRUndoController : public QObject
{
    Q_OBJECT

public:
    // in_refresh shows the folder again after photos were restored.
    VYRUndoController(QMainWindow *in_pFrame, Document *in_pDoc, std::function<void()> in_refresh);

    // Inserts the Edit menu before in_pBefore and appends History... and Keep File Dates
    // (the KeepFileTime preference) to in_pView.
    void AddMenus(QMenu *in_pBefore, QMenu *in_pView);

    // Takes back the last batch / the last undo; says so when there is none.
    void Undo();
    void Redo();
    void ShowHistory();
    // Restores in_batch (an undo, or a redo when it is an undo batch) and reports the outcome
    // in the log and, for refusals, in a message. Returns whether every photo was restored.
    bool RestoreBatch(qint64 in_batch);
    // The batches Undo and Redo would take back now (0: none).
    qint64 UndoTarget();
    qint64 RedoTarget();

    QAction *GetUndoAction() const { return m_pUndo; }
    QAction *GetRedoAction() const { return m_pRedo; }

private:
    // Whether a restore may run now; tells the user why not.
    bool CanRestore();
    void UpdateActions();

    QMainWindow *m_pFrame = nullptr;
    Document *m_pDoc = nullptr;
    std::function<void()> m_refresh;
    QAction *m_pUndo = nullptr;
    QAction *m_pRedo = nullptr;
    bool m_bRestoring = false;
};
