#include "editor_window/EditorToolBar.h"

#include "canvas/AccessibleGroup.h"
#include "canvas/EditorCanvasSettings.h"
#include "document/EditorDocument.h"
#include "editor_window/ChromeText.h"
#include "editor_window/IconButton.h"
#include "editor_window/ToolArea.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <cmath>

namespace quorvane {
namespace {

// The row's own height; a title-bar inset taller than this would make it taller.
constexpr double rowHeight = 38;

} // namespace

EditorToolBar::EditorToolBar(EditorDocument& document, EditorCanvasSettings& settings,
                             const SymbolIcons& icons, QWidget* parent)
    : WindowDragArea(parent), document_(document), settings_(settings) {
    AccessibleGroup::expose(*this, QAccessible::ToolBar, QStringLiteral("Tool bar"));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    auto* row = new QHBoxLayout(this);
    row->setSpacing(2);
    area_ = new ToolArea(document_, settings_, icons, this);
    // The tool area takes the width first; what it leaves over stays empty at its end.
    area_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    row->addWidget(area_, 1, Qt::AlignVCenter);
    row->addSpacing(8);

    done_ = new QPushButton(QStringLiteral("Done"), this);
    done_->setFont(ChromeText::scaled(done_->font(), 0.85));
    done_->setToolTip(QStringLiteral("Finish editing text (") +
                      ChromeText::shortcut(Qt::CTRL | Qt::Key_Return) + QLatin1Char(')'));
    done_->setAccessibleName(QStringLiteral("Finish text"));
    connect(done_, &QPushButton::clicked, this, [this] { settings_.finishOpenText(); });
    row->addWidget(done_, 0, Qt::AlignVCenter);

    undo_ = new IconButton(
        icons, QStringLiteral("arrow.uturn.backward"),
        QStringLiteral("Undo (") + ChromeText::shortcut(Qt::CTRL | Qt::Key_Z) + QLatin1Char(')'),
        [this] {
            // An open text edit is committed first, so that undo takes it back whole.
            settings_.finishOpenText();
            document_.undoManager().undo();
        },
        this);
    redo_ = new IconButton(
        icons, QStringLiteral("arrow.uturn.forward"),
        QStringLiteral("Redo (") + ChromeText::shortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) + QLatin1Char(')'),
        [this] {
            settings_.finishOpenText();
            document_.undoManager().redo();
        },
        this);
    row->addWidget(undo_, 0, Qt::AlignVCenter);
    row->addWidget(redo_, 0, Qt::AlignVCenter);

    connect(&settings_.modes(), &PaneModes::editingTextChanged, this,
            [this] { done_->setVisible(settings_.modes().editingText()); });
    done_->setVisible(settings_.modes().editingText());
    connect(&document_.undoManager(), &UndoManager::changed, this, &EditorToolBar::refreshUndo);
    connect(&document_, &EditorDocument::revisionChanged, this, &EditorToolBar::refreshUndo);
    refreshUndo();
    applyInset();
}

void EditorToolBar::setInset(const TitlebarInset& inset) {
    if (inset == inset_) return;
    inset_ = inset;
    applyInset();
}

void EditorToolBar::applyInset() {
    const auto points = [](double value) {
        return std::isfinite(value) ? static_cast<int>(std::clamp(std::round(value), 0.0, 10000.0)) : 0;
    };
    layout()->setContentsMargins(points(inset_.leading) + 8, 0, 10, 0);
    setFixedHeight(std::max(points(inset_.top), static_cast<int>(rowHeight)));
}

void EditorToolBar::refreshUndo() {
    undo_->setEnabled(document_.undoManager().canUndo());
    redo_->setEnabled(document_.undoManager().canRedo());
}

} // namespace quorvane
