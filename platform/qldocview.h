// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// Document/view plumbing and command routing: a document keeps its views in creation order
// and tells them about changes by numbered hints; commands travel between command targets.
#pragma once

#include <QString>
#include <functional>
#include <vector>

// Notification codes passed with a command.
enum : int
{
    QL_CN_COMMAND = 0,            // a menu item, accelerator or button (BN_CLICKED is 0 too)
    QL_CN_UPDATE_COMMAND_UI = -1, // a state query; in_pExtra is a QLCmdUI*
    QL_CBN_SELCHANGE = 1,         // a combo box's selection changed
};

// The state a command-update handler reports for one command (enabled, checked).
class QLCmdUI
{
public:
    explicit QLCmdUI(unsigned in_id) : m_nID(in_id) {}
    void Enable(bool in_bOn = true)
    {
        m_bEnabled = in_bOn;
        m_bEnableChanged = true;
    }
    void SetCheck(int in_check = 1) { m_check = in_check; }

    unsigned m_nID;
    bool m_bEnabled = true;
    bool m_bEnableChanged = false; // some handler answered for this command
    int m_check = -1;              // -1: not set by any handler
};

// Anything that can handle commands.
class QLCmdTarget
{
public:
    virtual ~QLCmdTarget() = default;
    // Offers a command. in_code is QL_CN_COMMAND, QL_CN_UPDATE_COMMAND_UI (then in_pExtra is
    // the QLCmdUI to fill) or a control notification. Returns true when it was handled.
    virtual bool OnCmdMsg(unsigned in_id, int in_code, void *in_pExtra);
};

class QLView;

class QLDocument : public QLCmdTarget
{
public:
    QLDocument() = default;
    ~QLDocument() override;
    QLDocument(const QLDocument &) = delete;
    QLDocument &operator=(const QLDocument &) = delete;

    // Views in the order they were added. A view is added once; RemoveView forgets it.
    void AddView(QLView *in_pView);
    void RemoveView(QLView *in_pView);
    const std::vector<QLView *> &GetViews() const { return m_views; }

    // Calls OnUpdate(in_pSender, in_hint, in_pHint) on every view except the sender, in
    // view order. Views added or removed during the walk are taken into account safely.
    void UpdateAllViews(QLView *in_pSender, long in_hint = 0, void *in_pHint = nullptr);

    const QString &GetTitle() const { return m_title; }
    virtual void SetTitle(const QString &in_title);
    // The frame listens to show "<title> - Veyra".
    void SetTitleListener(std::function<void(const QString &)> in_listener);

    // The framework's document steps. The bases: OnNewDocument and OnOpenDocument call
    // DeleteContents and succeed; OnCloseDocument calls DeleteContents; SaveModified
    // answers true (the document may close).
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const QString &in_path);
    virtual void OnCloseDocument();
    virtual bool SaveModified();
    virtual void DeleteContents() {}

private:
    std::vector<QLView *> m_views;
    QString m_title;
    std::function<void(const QString &)> m_titleListener;
};

class QLView : public QLCmdTarget
{
public:
    QLView() = default;
    ~QLView() override; // leaves its document
    QLView(const QLView &) = delete;
    QLView &operator=(const QLView &) = delete;

    QLDocument *GetDocument() const { return m_pDocument; }

    // Called once after the frame and all views exist. The base calls OnUpdate(nullptr, 0,
    // nullptr).
    virtual void OnInitialUpdate();
    // A change in the document; in_pHint is the object the hint concerns (or null).
    virtual void OnUpdate(QLView *in_pSender, long in_hint, void *in_pHint);

private:
    friend class QLDocument;
    QLDocument *m_pDocument = nullptr;
};
