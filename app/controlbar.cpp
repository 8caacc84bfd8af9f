// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: 2026 The Veyra developers
#include "controlbar.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "qldocview.h"
#include "qlwnd.h"
#include "resource.h"

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

QLabel *MakePathLabel(QWidget *in_pParent, unsigned in_id)
{
    auto *label = new QLabel(in_pParent);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    // A long path must not widen the whole window: the label takes the width it is given
    // and cuts the text at its right edge.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    label->setMinimumWidth(DluX(label, 60));
    label->setFixedHeight(DluY(label, 14));
    QLSetControlId(label, static_cast<int>(in_id));
    return label;
}

} // namespace

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

    layout->addWidget(MakePathLabel(this, IDC_SOURCE_PATH), 1);
    // "..." says nothing to a screen reader or a new user: both buttons name their folder.
    const auto describe = [](QPushButton *in_pButton, const char *in_pText) {
        in_pButton->setToolTip(QString::fromUtf8(in_pText));
        in_pButton->setAccessibleName(QString::fromUtf8(in_pText));
    };
    QPushButton *sourceBrowse = addButton(IDC_SOURCE_BROWSE, VYRText::kBrowseButton, 18);
    sourceBrowse->setMaximumWidth(DluX(this, 24));
    describe(sourceBrowse, VYRText::kSourceBrowseTip);
    addCheck(IDC_INCLUDE_SUBDIRS, VYRText::kIncludeSubdirs);
    layout->addSpacing(DluX(this, 5));
    layout->addWidget(MakePathLabel(this, IDC_DEST_PATH), 1);
    QPushButton *destBrowse = addButton(IDC_DEST_BROWSE, VYRText::kBrowseButton, 18);
    destBrowse->setMaximumWidth(DluX(this, 24));
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
    layout->addSpacing(DluX(this, 7));

    // Alt+A presses it, as a mnemonic does, wherever the focus is in the window.
    addButton(IDC_AUTO_ROTATE, VYRText::kAutoRotateButton, 49);
}
