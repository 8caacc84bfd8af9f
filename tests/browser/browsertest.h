// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// A thumbnail view in its setting: a main window with the control bar's controls, the
// document, the task list (its worker started only on request) and a prompt answerer.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QStringList>
#include <QWidget>
#include <functional>

#include "document.h"
#include "qlprompt.h"
#include "qlwnd.h"
#include "resource.h"
#include "vyrimg.h"
#include "vyrtaskvw.h"
#include "vyrthumbvw.h"

// The main window: counts its closes.
class TestFrame : public QWidget
{
public:
    TestFrame()
    {
        m_pSize->addItems({VYRText::kSizeSmall, VYRText::kSizeMedium, VYRText::kSizeLarge});
        QLSetControlId(m_pSize, IDC_THUMB_SIZE);
        QLSetControlId(m_pSubdirs, IDC_INCLUDE_SUBDIRS);
        QLSetControlId(m_pInplace, IDC_INPLACE);
        QLSetControlId(m_pSource, IDC_SOURCE_PATH);
        QLSetControlId(m_pDest, IDC_DEST_PATH);
        QLSetMainWindow(this);
    }
    ~TestFrame() override { QLSetMainWindow(nullptr); }

    QComboBox *m_pSize = new QComboBox(this);
    QCheckBox *m_pSubdirs = new QCheckBox(this);
    QCheckBox *m_pInplace = new QCheckBox(this);
    QLabel *m_pSource = new QLabel(this);
    QLabel *m_pDest = new QLabel(this);
    int m_closes = 0;

protected:
    void closeEvent(QCloseEvent *in_pEvent) override
    {
        ++m_closes;
        QWidget::closeEvent(in_pEvent);
    }
};

// Runs a hook on the first item a scan delivers (inside the scan, as a user command would).
class ScanHookView : public QLView
{
public:
    std::function<void()> m_onFirstItem;
    void OnUpdate(QLView *, long in_hint, void *) override
    {
        if (in_hint != HINT_ITEM_ADDED || !m_onFirstItem)
            return;
        auto hook = std::move(m_onFirstItem);
        m_onFirstItem = nullptr;
        hook();
    }
};

struct Scene
{
    explicit Scene(bool in_bWorker = false)
    {
        document.AddView(&view);
        document.AddView(&tasks);
        document.AddView(&hook);
        view.OnInitialUpdate();
        if (in_bWorker)
            tasks.OnCreate();
        view.OnSize(0, 1000, 600);
        QLSetPromptHandler([this](const QString &in_text, unsigned in_type) {
            prompts << in_text;
            return in_type == QL_MB_YESNO ? answer : QL_IDOK;
        });
    }
    ~Scene()
    {
        QLSetPromptHandler({});
        tasks.OnDestroy();
        document.DeleteContents();
        document.ClearQueue();
    }

    VYRImage *Item(int in_index) const
    {
        GridCell *cell = view.GetCell(in_index);
        return cell ? static_cast<VYRImage *>(cell->GetItem()) : nullptr;
    }
    // Log lines added since the scan's "Opening folder".
    QStringList LogAfterOpen() const
    {
        QStringList lines = document.GetLog();
        while (!lines.isEmpty() && !lines.first().startsWith(QLatin1String("Opening folder")))
            lines.removeFirst();
        if (!lines.isEmpty())
            lines.removeFirst();
        return lines;
    }

    TestFrame frame;
    Document document;
    VYRThumbVw view;
    VYRTaskVw tasks;
    ScanHookView hook;
    QStringList prompts;
    int answer = QL_IDYES;
};

inline bool IsolateStore(const QString &in_dir)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, in_dir);
    QSettings store(QStringLiteral("Quillmere"), QStringLiteral("Veyra"));
    store.clear();
    return store.fileName().startsWith(in_dir);
}
