// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// One process's use of the journal: the window's (or one command-line run's) current batch,
// opened on first use so that starting Veyra never waits for it, and which batch Undo and
// Redo take back. The window and the command line read the same journal, so they agree on
// what "the last batch" is.
#pragma once

#include "vyrjournal.h"

#include <QMutex>
#include <QString>
#include <memory>

// What a batch does, from its place in the chain of batches that take each other back.
enum class VYRBatchKind
{
    Turns, // photos turned (a window session since its last undo point, a command-line run)
    Undo,  // takes back a Turns or a Redo batch
    Redo,  // takes back an Undo batch
};

// The kind of in_batch among in_batches (as VYRJournal::Batches gives them).
VYRBatchKind VYRKindOfBatch(const QList<VYRBatchInfo> &in_batches, qint64 in_batch);
// The batch Undo takes back: the newest Turns or Redo batch with photos not yet taken back;
// 0 when there is none.
qint64 VYRUndoTarget(const QList<VYRBatchInfo> &in_batches);
// The batch Redo takes back: the newest Undo batch with photos not yet taken back, unless
// photos were turned after it (new turns end what can be redone); 0 when there is none.
qint64 VYRRedoTarget(const QList<VYRBatchInfo> &in_batches);

class VYRJournalSession
{
public:
    // in_origin names the batches this session makes ("window", "command line").
    // in_root: the journal's folder (empty: the user's default). With in_enabled false the
    // session journals nothing: Journal() is null and turns are not recorded.
    VYRJournalSession(const QString &in_origin, const QString &in_root = QString(),
                      bool in_enabled = true);
    ~VYRJournalSession();

    bool IsEnabled() const { return m_enabled; }
    // Opens the journal on first call (settling what a killed run left) and, when in_maxAgeDays
    // is >= 0, drops what is older or beyond in_maxBytes first. Returns the journal, or null
    // when it is disabled or cannot be opened (*out_pResult, when given, says why).
    VYRJournal *Journal(int *out_pResult = nullptr);
    void SetExpiry(int in_maxAgeDays, qint64 in_maxBytes);
    // The batch the next turn belongs to, made on the first turn after an undo point; 0 when
    // the journal cannot be written.
    qint64 CurrentBatch();
    // An undo point: the next turn starts a new batch.
    void EndBatch();

private:
    QMutex m_mutex;
    QString m_origin;
    QString m_root;
    bool m_enabled = true;
    bool m_tried = false;
    int m_openResult = VYR_JOURNAL_OK;
    int m_maxAgeDays = -1;
    qint64 m_maxBytes = 0;
    qint64 m_batch = 0;
    std::unique_ptr<VYRJournal> m_pJournal;
};
