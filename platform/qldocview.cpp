// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "qldocview.h"

#include <algorithm>

bool QLCmdTarget::OnCmdMsg(unsigned, int, void *)
{
    return false;
}

QLDocument::~QLDocument()
{
    for (QLView *view : m_views)
        view->m_pDocument = nullptr;
}

void QLDocument::AddView(QLView *in_pView)
{
    if (!in_pView || std::find(m_views.begin(), m_views.end(), in_pView) != m_views.end())
        return;
    if (in_pView->m_pDocument && in_pView->m_pDocument != this)
        in_pView->m_pDocument->RemoveView(in_pView);
    m_views.push_back(in_pView);
    in_pView->m_pDocument = this;
}

void QLDocument::RemoveView(QLView *in_pView)
{
    auto it = std::find(m_views.begin(), m_views.end(), in_pView);
    if (it == m_views.end())
        return;
    m_views.erase(it);
    in_pView->m_pDocument = nullptr;
}

void QLDocument::UpdateAllViews(QLView *in_pSender, long in_hint, void *in_pHint)
{
    // A handler may run a nested event loop in which views come or go: walk a copy and
    // skip views that have left in the meantime.
    const std::vector<QLView *> views = m_views;
    for (QLView *view : views) {
        if (view == in_pSender)
            continue;
        if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
            continue;
        view->OnUpdate(in_pSender, in_hint, in_pHint);
    }
}

void QLDocument::SetTitle(const QString &in_title)
{
    m_title = in_title;
    if (m_titleListener)
        m_titleListener(m_title);
}

void QLDocument::SetTitleListener(std::function<void(const QString &)> in_listener)
{
    m_titleListener = std::move(in_listener);
    if (m_titleListener)
        m_titleListener(m_title);
}

bool QLDocument::OnNewDocument()
{
    DeleteContents();
    return true;
}

bool QLDocument::OnOpenDocument(const QString &)
{
    DeleteContents();
    return true;
}

void QLDocument::OnCloseDocument()
{
    DeleteContents();
}

bool QLDocument::SaveModified()
{
    return true;
}

QLView::~QLView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
}

void QLView::OnInitialUpdate()
{
    OnUpdate(nullptr, 0, nullptr);
}

void QLView::OnUpdate(QLView *, long, void *) {}
