#include "app/ShortcutsSection.h"

#include "app/HotKeyCenter.h"
#include "app/HotKeyRecorder.h"
#include "app/Preferences.h"
#include "editor_window/SymbolIcons.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {
namespace {

const QColor errorRed(215, 0, 21);

QWidget* errorRowWidget(const SymbolIcons& icons, QLabel*& text, QWidget* parent) {
    auto* row = new QWidget(parent);
    row->setMaximumWidth(300);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    auto* symbol = new QLabel(row);
    const int side = row->fontMetrics().height();
    symbol->setPixmap(icons.icon(QStringLiteral("exclamationmark.triangle"), errorRed, errorRed).pixmap(side, side));
    symbol->setAlignment(Qt::AlignTop);
    symbol->setAccessibleName(QStringLiteral("Warning"));
    text = new QLabel(row);
    text->setWordWrap(true);
    text->setAlignment(Qt::AlignRight | Qt::AlignTop);
    QPalette colors = text->palette();
    colors.setColor(QPalette::WindowText, errorRed);
    text->setPalette(colors);
    layout->addWidget(symbol);
    layout->addWidget(text, 1);
    return row;
}

} // namespace

ShortcutsSection::ShortcutsSection(Preferences& preferences, HotKeyRecording& recording, KeyboardLayout& layout,
                                   Beeper& beeper, const SymbolIcons& icons, QWidget* parent)
    : QGroupBox(QStringLiteral("Shortcuts"), parent), preferences_(preferences) {
    auto* outer = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    outer->addLayout(form);
    for (HotKeyAction action : allHotKeyActions) {
        Row row;
        auto* cell = new QWidget(this);
        auto* stack = new QVBoxLayout(cell);
        stack->setContentsMargins(0, 0, 0, 0);
        stack->setSpacing(2);
        row.recorder = new HotKeyRecorder(QStringLiteral("Shortcut"), recording, layout, beeper, cell);
        row.recorder->setAccessibleName(QStringLiteral("Shortcut for ") + label(action));
        stack->addWidget(row.recorder, 0, Qt::AlignRight);
        row.errorRow = errorRowWidget(icons, row.error, cell);
        // Beside a stretch rather than aligned, so that a reason on two lines gets their height.
        auto* errorLine = new QHBoxLayout;
        errorLine->addStretch(1);
        errorLine->addWidget(row.errorRow);
        stack->addLayout(errorLine);
        form->addRow(label(action), cell);
        // Writing the whole map back stores it, and the registration follows it.
        connect(row.recorder, &HotKeyRecorder::edited, this,
                [this, action](const std::optional<HotKeyBinding>& binding) {
                    Preferences::HotKeys keys = preferences_.hotKeys();
                    if (binding)
                        keys[action] = *binding;
                    else
                        keys.erase(action);
                    preferences_.setHotKeys(keys);
                });
        rows_[action] = row;
    }
    restore_ = new QPushButton(QStringLiteral("Restore Defaults"), this);
    restore_->setToolTip(QStringLiteral("Restore the default global shortcuts"));
    connect(restore_, &QPushButton::clicked, this,
            [this] { preferences_.setHotKeys(HotKeyCenter::defaultBindings()); });
    outer->addWidget(restore_, 0, Qt::AlignLeft);
    auto* footer = new QLabel(QStringLiteral("Global shortcuts work while Quorvane runs in the system tray."), this);
    footer->setWordWrap(true);
    footer->setForegroundRole(QPalette::PlaceholderText);
    outer->addWidget(footer);

    connect(&preferences_, &Preferences::hotKeysChanged, this, &ShortcutsSection::showBindings);
    connect(&preferences_, &Preferences::hotKeyErrorsChanged, this, &ShortcutsSection::showErrors);
    showBindings();
    showErrors();
}

void ShortcutsSection::showBindings() {
    const Preferences::HotKeys& keys = preferences_.hotKeys();
    for (const auto& [action, row] : rows_) {
        const auto found = keys.find(action);
        row.recorder->setBinding(found == keys.end() ? std::nullopt : std::optional(found->second));
    }
}

void ShortcutsSection::showErrors() {
    const Preferences::HotKeyErrors& errors = preferences_.hotKeyErrors();
    for (const auto& [action, row] : rows_) {
        const auto found = errors.find(action);
        row.error->setText(found == errors.end() ? QString() : found->second);
        row.errorRow->setVisible(found != errors.end());
    }
}

} // namespace quorvane
