// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "controlbar.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "qldocview.h"
#include "qlwnd.h"
#include "resource.h"
#include "vyrshellicons.h"

namespace {

// The bar was laid out in dialog units: a quarter of the average character width across, an
// eighth of the character height down. Converting keeps its proportions at any font size.
int DluX(const QWidget *in_pWidget, int in_dlu)
{
    return in_dlu * in_pWidget->fontMetrics().averageCharWidth() / 4;
}

int DluY(const QWidget *in_pWidget, int in_dlu)
{
    return in_dlu * in_pWidget->fontMetrics().height() / 8;
}

QString Text(const char *in_pText)
{
    return QString::fromUtf8(in_pText);
}

} // namespace

QLineEdit *VYRControlBar::MakePathField(unsigned in_id, const char *in_pName)
{
    auto *field = new QLineEdit(this);
    field->setAccessibleName(Text(in_pName));
    field->setToolTip(Text(VYRShellText::kFieldTip));
    field->setPlaceholderText(Text(in_pName));
    field->setClearButtonEnabled(false);
    // A long path must not widen the whole window: the field takes the width it is given.
    field->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    field->setMinimumWidth(DluX(field, 60));
    // Typing needs the focus; a click gives it, Tab reaches it, the window does not start here.
    field->setFocusPolicy(Qt::StrongFocus);
    QLSetControlId(field, static_cast<int>(in_id));

    // Folders only, completed as they are typed; the model reads the disk on its own thread.
    auto *model = new QFileSystemModel(field);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model->setRootPath(QString());
    auto *completer = new QCompleter(model, field);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setCaseSensitivity(Qt::CaseSensitive);
    field->setCompleter(completer);

    connect(field, &QLineEdit::returnPressed, this, [this, field, in_id] {
        if (m_pathSink)
            m_pathSink(in_id, field->text().trimmed());
    });
    return field;
}

void VYRControlBar::ShowRecentMenu()
{
    QMenu menu(this);
    if (m_recentFolders.isEmpty())
        menu.addAction(Text(VYRShellText::kNoRecentFolders))->setEnabled(false);
    for (const QString &folder : std::as_const(m_recentFolders)) {
        QAction *action = menu.addAction(QDir::toNativeSeparators(folder));
        connect(action, &QAction::triggered, this, [this, folder] {
            if (m_pathSink)
                m_pathSink(IDC_SOURCE_PATH, folder);
        });
    }
    menu.exec(m_pSource->mapToGlobal(QPoint(0, m_pSource->height())));
}

void VYRControlBar::ShowFilter(const QString &in_filter)
{
    const QString jpeg = Text(VYRShellText::kFilterJpegPatterns);
    // Entries: JPEG, the stored patterns when they are others, "Custom...".
    while (m_pFilter->count() > 2)
        m_pFilter->removeItem(1);
    if (in_filter.compare(jpeg, Qt::CaseInsensitive) == 0 || in_filter.isEmpty()) {
        m_pFilter->setCurrentIndex(0);
        return;
    }
    m_pFilter->insertItem(1, in_filter, in_filter);
    m_pFilter->setCurrentIndex(1);
}

QString VYRControlBar::GetFilter() const
{
    return m_pFilter->currentData().toString();
}

VYRControlBar::VYRControlBar(CommandSink in_sink, QWidget *in_pParent)
    : QFrame(in_pParent), m_sink(std::move(in_sink))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(DluX(this, 6), DluY(this, 3), DluX(this, 6), DluY(this, 3));
    layout->setSpacing(DluX(this, 5));

    // Clicks on the bar leave the keyboard focus where it was (normally the thumbnails), so
    // the active view and the Escape key keep working; Tab still reaches every control.
    const auto command = [this](unsigned in_id, int in_code) {
        if (m_sink)
            m_sink(in_id, in_code);
    };
    const auto addButton = [&](unsigned in_id, const char *in_pText, int in_widthDlu) {
        auto *button = new QPushButton(QString::fromUtf8(in_pText), this);
        button->setFocusPolicy(Qt::TabFocus);
        button->setAutoDefault(false);
        button->setMinimumWidth(DluX(this, in_widthDlu));
        QLSetControlId(button, static_cast<int>(in_id));
        connect(button, &QPushButton::clicked, this,
                [command, in_id] { command(in_id, QL_CN_COMMAND); });
        layout->addWidget(button);
        return button;
    };
    const auto addCheck = [&](unsigned in_id, const char *in_pText) {
        auto *check = new QCheckBox(QString::fromUtf8(in_pText), this);
        check->setFocusPolicy(Qt::TabFocus);
        QLSetControlId(check, static_cast<int>(in_id));
        // Only the user's clicks are commands; the view setting the state is not.
        connect(check, &QCheckBox::clicked, this,
                [command, in_id] { command(in_id, QL_CN_COMMAND); });
        layout->addWidget(check);
        return check;
    };

    m_pSource = MakePathField(IDC_SOURCE_PATH, VYRShellText::kSourceFieldName);
    QAction *recent =
        m_pSource->addAction(VYRShellIcon(VYRShellIconId::Recent), QLineEdit::TrailingPosition);
    recent->setToolTip(Text(VYRShellText::kRecentFolders));
    connect(recent, &QAction::triggered, this, &VYRControlBar::ShowRecentMenu);
    layout->addWidget(m_pSource, 1);
    // "..." says nothing to a screen reader or a new user: both buttons name their folder.
    const auto describe = [](QPushButton *in_pButton, const char *in_pText) {
        in_pButton->setToolTip(QString::fromUtf8(in_pText));
        in_pButton->setAccessibleName(QString::fromUtf8(in_pText));
    };
    QPushButton *sourceBrowse = addButton(IDC_SOURCE_BROWSE, VYRText::kBrowseButton, 18);
    sourceBrowse->setIcon(VYRShellIcon(VYRShellIconId::Folder));
    sourceBrowse->setMaximumWidth(DluX(this, 36));
    describe(sourceBrowse, VYRText::kSourceBrowseTip);
    addCheck(IDC_INCLUDE_SUBDIRS, VYRText::kIncludeSubdirs);
    layout->addSpacing(DluX(this, 5));
    m_pDest = MakePathField(IDC_DEST_PATH, VYRShellText::kDestFieldName);
    layout->addWidget(m_pDest, 1);
    QPushButton *destBrowse = addButton(IDC_DEST_BROWSE, VYRText::kBrowseButton, 18);
    destBrowse->setIcon(VYRShellIcon(VYRShellIconId::Folder));
    destBrowse->setMaximumWidth(DluX(this, 36));
    describe(destBrowse, VYRText::kDestBrowseTip);
    addCheck(IDC_INPLACE, VYRText::kInplace);
    layout->addSpacing(DluX(this, 10));

    auto *sizeCombo = new QComboBox(this);
    sizeCombo->setFocusPolicy(Qt::TabFocus);
    sizeCombo->addItem(QString::fromUtf8(VYRText::kSizeSmall));
    sizeCombo->addItem(QString::fromUtf8(VYRText::kSizeMedium));
    sizeCombo->addItem(QString::fromUtf8(VYRText::kSizeLarge));
    sizeCombo->setCurrentIndex(-1);
    sizeCombo->setMinimumWidth(DluX(this, 78));
    QLSetControlId(sizeCombo, IDC_THUMB_SIZE);
    // activated() is the user's choice only, like a selection-change notification; the view
    // selecting the stored size at start-up does not reload anything.
    connect(sizeCombo, &QComboBox::activated, this,
            [command] { command(IDC_THUMB_SIZE, QL_CBN_SELCHANGE); });
    layout->addWidget(sizeCombo);
    layout->addSpacing(DluX(this, 5));

    m_pFilter = new QComboBox(this);
    m_pFilter->setFocusPolicy(Qt::TabFocus);
    m_pFilter->setAccessibleName(Text(VYRShellText::kFilterName));
    m_pFilter->setToolTip(Text(VYRShellText::kFilterName));
    m_pFilter->addItem(Text(VYRShellText::kFilterJpeg), Text(VYRShellText::kFilterJpegPatterns));
    m_pFilter->addItem(Text(VYRShellText::kFilterCustom), QString());
    m_pFilter->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    QLSetControlId(m_pFilter, IDC_FILTER);
    connect(m_pFilter, &QComboBox::activated, this,
            [command] { command(IDC_FILTER, QL_CBN_SELCHANGE); });
    layout->addWidget(m_pFilter);
    layout->addSpacing(DluX(this, 7));

    // Alt+A presses it, as a mnemonic does, wherever the focus is in the window.
    QPushButton *autoRotate = addButton(IDC_AUTO_ROTATE, VYRText::kAutoRotateButton, 49);
    autoRotate->setIcon(VYRShellIcon(VYRShellIconId::RotateRight));
}
