// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// The grid's side of suggested turns: which cells may get one, the badges, and accepting or
// dismissing them. Accepting goes the way of a click, so the turn settles, is logged, written
// by the worker and can be undone like any other.
#include "document.h"
#include "qllock.h"
#include "vyrimg.h"
#include "vyrthumbcell.h"
#include "vyrthumbvw.h"

std::vector<std::pair<int, QString>> VYRThumbVw::SuggestionCandidates() const
{
    std::vector<std::pair<int, QString>> candidates;
    const QLLockGuard lock(g_catalogLock);
    for (int i = 0; i < GetCellCount(); ++i) {
        const auto *item = static_cast<const VYRImage *>(GetCell(i)->GetItem());
        if (item && !item->IsPending() && !item->HasWork())
            candidates.emplace_back(i, item->GetPathName());
    }
    return candidates;
}

bool VYRThumbVw::SetSuggestion(int in_index, const QString &in_path, int in_angle,
                               const QString &in_words)
{
    VYRThumbCell *cell = ThumbCell(in_index);
    if (!cell)
        return false;
    {
        const QLLockGuard lock(g_catalogLock);
        const auto *item = static_cast<const VYRImage *>(cell->GetItem());
        // A turn the user queued meanwhile is the user's word: no advice on top of it.
        if (!item || item->GetPathName() != in_path ||
            (in_angle != 0 && (item->IsPending() || item->HasWork())))
            return false;
    }
    cell->SetSuggestion(in_angle, in_words);
    InvalidateGridRect(cell->GetRect());
    return true;
}

int VYRThumbVw::GetSuggestionCount() const
{
    int count = 0;
    for (int i = 0; i < GetCellCount(); ++i) {
        const VYRThumbCell *cell = ThumbCell(i);
        count += cell && cell->GetSuggestedAngle() != 0 ? 1 : 0;
    }
    return count;
}

int VYRThumbVw::AcceptSuggestions(bool in_bMarkedOnly)
{
    int accepted = 0;
    for (int i = 0; i < GetCellCount(); ++i) {
        VYRThumbCell *cell = ThumbCell(i);
        if (!cell || cell->GetSuggestedAngle() == 0 || (in_bMarkedOnly && !cell->IsMarked()))
            continue;
        const int angle = cell->GetSuggestedAngle();
        cell->SetSuggestion(0, QString());
        QueueCell(cell, angle);
        ++accepted;
    }
    return accepted;
}

int VYRThumbVw::DismissSuggestions(bool in_bMarkedOnly)
{
    int dismissed = 0;
    for (int i = 0; i < GetCellCount(); ++i) {
        VYRThumbCell *cell = ThumbCell(i);
        if (!cell || cell->GetSuggestedAngle() == 0 || (in_bMarkedOnly && !cell->IsMarked()))
            continue;
        cell->SetSuggestion(0, QString());
        InvalidateGridRect(cell->GetRect());
        ++dismissed;
    }
    return dismissed;
}
