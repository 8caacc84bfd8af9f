// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
//
// MainWnd's parts that tell and take more than the frame itself: the folder scan's status,
// the editable folder fields, the file-type filter and View > Theme.
#include "mainwnd.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>

#include "controlbar.h"
#include "document.h"
#include "qlprompt.h"
#include "qltheme.h"
#include "qlwnd.h"
#include "resource.h"
#include "scanstatus.h"
#include "vyrthumbvw.h"

namespace {

constexpr int kMaxRecentFolders = 10;

QString Text(const char *in_pText)
{
    return QString::fromUtf8(in_pText);
}

// "~/Pictures" as a shell would read it; every other path as it stands, made absolute.
QString ExpandTypedPath(const QString &in_path)
{
    QString path = in_path;
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

} // namespace

Document *MainWnd::GetCatalog() const
{
    return dynamic_cast<Document *>(m_pDocument);
}

void MainWnd::CreateScanStatus()
{
    m_pScanStatus = new VYRScanStatusPane(m_wndStatusBar, [this] {
        // Stop is the user's explicit wish: no question, unlike Esc in the grid.
        Document *catalog = GetCatalog();
        if (catalog && catalog->IsLoading())
            catalog->RequestStopLoading();
    });
}

void MainWnd::OnScanStatus(const VYRScanStatus &in_status)
{
    m_pScanStatus->Show(in_status);
    using Phase = VYRScanStatus::Phase;
    if (in_status.m_phase == Phase::Started) {
        RememberFolder(in_status.m_folder);
        return;
    }
    if (in_status.m_phase != Phase::Missing && in_status.m_phase != Phase::Unreadable)
        return;
    const QString text = Text(in_status.m_phase == Phase::Missing ? VYRShellText::kFolderMissing
                                                                  : VYRShellText::kFolderUnreadable)
                             .arg(QDir::toNativeSeparators(in_status.m_folder));
    // Told once the scan has returned: a modal box inside it would run the scan's caller's
    // events nested once more.
    QPointer<MainWnd> self(this);
    QTimer::singleShot(0, this, [self, text] {
        if (self)
            QLMessageBox(text);
    });
}

void MainWnd::RememberFolder(const QString &in_folder)
{
    Document *catalog = GetCatalog();
    if (!catalog || in_folder.isEmpty())
        return;
    QStringList &recent = catalog->GetPrefs().RecentFolders;
    const QString folder = QDir::cleanPath(in_folder);
    recent.removeAll(folder);
    recent.prepend(folder);
    while (recent.size() > kMaxRecentFolders)
        recent.removeLast();
    m_wndControlBar->SetRecentFolders(recent);
}

bool MainWnd::OnPathEntered(unsigned in_id, const QString &in_path)
{
    Document *catalog = GetCatalog();
    QLineEdit *field = in_id == IDC_SOURCE_PATH ? m_wndControlBar->GetSourceField()
                                                : m_wndControlBar->GetDestField();
    if (!catalog || in_path.isEmpty())
        return false;
    const QString current =
        in_id == IDC_SOURCE_PATH ? catalog->GetRootPath() : catalog->GetDestPath();
    if (in_id == IDC_DEST_PATH && catalog->GetConfig().Inplace) {
        field->setText(current);
        return false;
    }
    const QString path = ExpandTypedPath(in_path);
    const QFileInfo info(path);
    const char *problem = nullptr;
    if (!info.isDir())
        problem = VYRShellText::kFolderMissing;
    else if (!info.isReadable() || !info.isExecutable())
        problem = VYRShellText::kFolderUnreadable;
    if (problem) {
        QLMessageBox(Text(problem).arg(QDir::toNativeSeparators(path)));
        field->setText(current);
        return false;
    }
    if (in_id == IDC_SOURCE_PATH) {
        if (m_pThumbView)
            m_pThumbView->LoadFolder(path);
    } else {
        catalog->SetDestPath(path);
    }
    if (m_pThumbView)
        m_pThumbView->setFocus(Qt::OtherFocusReason);
    return true;
}

void MainWnd::OnFilterChosen(const QString *in_pCustomPatterns)
{
    Document *catalog = GetCatalog();
    if (!catalog)
        return;
    VYRConfig config = catalog->GetConfig();
    QString patterns = m_wndControlBar->GetFilter();
    if (patterns.isEmpty()) {
        bool ok = true;
        patterns = in_pCustomPatterns
                       ? *in_pCustomPatterns
                       : QInputDialog::getText(this, Text(VYRShellText::kFilterCustomTitle),
                                               Text(VYRShellText::kFilterCustomLabel),
                                               QLineEdit::Normal, config.Filter, &ok);
        patterns = patterns.trimmed();
        if (!ok || patterns.isEmpty()) {
            m_wndControlBar->ShowFilter(config.Filter);
            return;
        }
    }
    m_wndControlBar->ShowFilter(patterns);
    if (patterns == config.Filter)
        return;
    config.Filter = patterns;
    catalog->SetConfig(config);
    if (m_pThumbView && !config.RootPath.isEmpty())
        m_pThumbView->LoadFolder(config.RootPath);
}

void MainWnd::OnControlCommand(unsigned in_id, int in_code)
{
    if (in_id == IDC_FILTER) {
        OnFilterChosen();
        return;
    }
    OnCmdMsg(in_id, in_code, nullptr);
    if (in_id == IDC_INPLACE)
        SyncDestField();
}

void MainWnd::SyncDestField()
{
    const Document *catalog = GetCatalog();
    if (!catalog || !m_wndControlBar)
        return;
    m_wndControlBar->GetDestField()->setReadOnly(catalog->GetConfig().Inplace != 0);
}

void MainWnd::CreateThemeMenu(QMenu *in_pView)
{
    in_pView->addSeparator();
    QMenu *theme = in_pView->addMenu(Text(VYRShellText::kMenuTheme));
    theme->menuAction()->setStatusTip(Text(VYRShellText::kPromptTheme));
    m_pThemeGroup = new QActionGroup(this);
    m_pThemeGroup->setExclusive(true);
    const struct
    {
        const char *m_pText;
        const char *m_pChoice;
    } choices[] = {
        {VYRShellText::kThemeSystem, kQLThemeSystem},
        {VYRShellText::kThemeLight, kQLThemeLight},
        {VYRShellText::kThemeDark, kQLThemeDark},
    };
    for (const auto &choice : choices) {
        QAction *action = theme->addAction(Text(choice.m_pText));
        action->setCheckable(true);
        action->setData(QString::fromLatin1(choice.m_pChoice));
        action->setStatusTip(Text(VYRShellText::kPromptTheme));
        m_pThemeGroup->addAction(action);
        const QString value = QString::fromLatin1(choice.m_pChoice);
        connect(action, &QAction::triggered, this, [this, value] { OnThemeChosen(value); });
    }
    connect(theme, &QMenu::aboutToShow, this, [this] {
        const Document *catalog = GetCatalog();
        const QString current =
            catalog ? catalog->GetPrefs().Theme : QString::fromLatin1(kQLThemeSystem);
        for (QAction *action : m_pThemeGroup->actions())
            action->setChecked(action->data().toString().compare(current, Qt::CaseInsensitive) ==
                               0);
    });
}

void MainWnd::OnThemeChosen(const QString &in_choice)
{
    if (Document *catalog = GetCatalog())
        catalog->GetPrefs().Theme = in_choice;
    QLApplyTheme(in_choice);
    for (QAction *action : m_pThemeGroup->actions())
        action->setChecked(action->data().toString() == in_choice);
}
