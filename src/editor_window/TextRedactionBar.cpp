#include "editor_window/TextRedactionBar.h"

#include "canvas/TextRedactionController.h"
#include "document/DigitFont.h"
#include "editor_window/CompactButton.h"
#include "editor_window/ElidedLabel.h"
#include "editor_window/MenuSection.h"
#include "editor_window/SymbolIcons.h"

#include <QActionGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>
#include <cmath>

namespace quorvane {
namespace {

QLabel* secondaryText(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

// A state the bar reports in one line, giving way to its buttons.
ElidedLabel* secondaryLine(const QString& text, QWidget* parent) {
    auto* label = new ElidedLabel(text, parent);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

TextRedactionBar::TextRedactionBar(TextRedactionController& controller, const SymbolIcons& icons,
                                   std::function<void(bool)> finish, QWidget* parent)
    : QWidget(parent), controller_(&controller), icons_(icons), finish_(std::move(finish)) {
    setFocusPolicy(Qt::NoFocus);
    // Rebuilt on the next turn: a change can come from one of this bar's own menus.
    connect(&controller, &TextRedactionController::changed, this,
            [this] { QMetaObject::invokeMethod(this, &TextRedactionBar::rebuild, Qt::QueuedConnection); });
    rebuild();
}

QPushButton* TextRedactionBar::button(const QString& title, const QString& help, bool apply) {
    auto* b = new QPushButton(title, this);
    b->setToolTip(help);
    CompactButton::allowShrinking(*b);
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QPushButton::clicked, this, [this, apply] {
        if (finish_) finish_(apply);
    });
    return b;
}

QToolButton* TextRedactionBar::optionsMenu() {
    auto* button = new QToolButton(this);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRaise(true);
    button->setFixedWidth(30);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    button->setIcon(icons_.icon(QStringLiteral("slider.horizontal.3"), palette().color(QPalette::ButtonText),
                                palette().color(QPalette::Disabled, QPalette::ButtonText)));
    button->setToolTip(QStringLiteral("Words or lines, padding around each box, select all or none"));
    button->setAccessibleName(QStringLiteral("Redaction options"));

    auto* menu = new QMenu(button);
    TextRedactionController* controller = controller_;
    MenuSection::add(*menu, QStringLiteral("Mask"));
    auto* masks = new QActionGroup(menu);
    for (const auto granularity : TextRedactionController::granularities) {
        QAction* action = menu->addAction(TextRedactionController::granularityName(granularity));
        action->setCheckable(true);
        action->setChecked(controller->granularity() == granularity);
        masks->addAction(action);
        connect(action, &QAction::triggered, controller,
                [controller, granularity] { controller->setGranularity(granularity); });
    }
    MenuSection::add(*menu, QStringLiteral("Padding"));
    auto* paddings = new QActionGroup(menu);
    for (const double padding : TextRedactionController::paddingChoices) {
        QAction* action = menu->addAction(QString::number(static_cast<int>(padding)) + QStringLiteral(" px"));
        action->setCheckable(true);
        action->setChecked(controller->padding() == padding);
        paddings->addAction(action);
        connect(action, &QAction::triggered, controller,
                [controller, padding] { controller->setPadding(padding); });
    }
    menu->addSeparator();
    connect(menu->addAction(QStringLiteral("Redact All Boxes")), &QAction::triggered, controller,
            [controller] { controller->setAll(true); });
    connect(menu->addAction(QStringLiteral("Keep All Visible")), &QAction::triggered, controller,
            [controller] { controller->setAll(false); });
    button->setMenu(menu);
    return button;
}

void TextRedactionBar::rebuild() {
    if (row_ != nullptr) {
        while (QLayoutItem* item = row_->takeAt(0)) {
            // Rebuilds run queued, never inside one of these widgets' own signals.
            delete item->widget();
            delete item;
        }
    } else {
        row_ = new QHBoxLayout(this);
        row_->setContentsMargins(0, 0, 0, 0);
        row_->setSpacing(6);
    }
    options_ = nullptr;
    failure_ = nullptr;
    const TextRedactionController* current = controller_;
    if (current == nullptr) return;
    const TextRedactionController& review = *current;
    using State = TextRedactionController::State;
    switch (review.state()) {
    case State::recognizing: {
        auto* progress = new QProgressBar(this);
        progress->setRange(0, 0);
        progress->setTextVisible(false);
        progress->setMaximumSize(60, 10);
        row_->addWidget(progress);
        row_->addWidget(secondaryLine(QStringLiteral("Finding text…"), this));
        row_->addWidget(
            button(QStringLiteral("Cancel"), QStringLiteral("Stop and leave Redact Text (Esc)"), false));
        break;
    }
    case State::failed:
        failure_ = secondaryLine(review.failure(), this);
        failure_->setToolTip(review.failure());
        row_->addWidget(failure_, 1);
        row_->addWidget(button(QStringLiteral("Close"), QStringLiteral("Leave Redact Text (Esc)"), false));
        break;
    case State::reviewing:
        if (review.candidates().empty()) {
            row_->addWidget(secondaryLine(QStringLiteral("No text found"), this));
            row_->addWidget(
                button(QStringLiteral("Close"), QStringLiteral("Leave Redact Text (Esc)"), false));
            break;
        }
        options_ = optionsMenu();
        row_->addWidget(options_);
        {
            const int included = review.includedCount();
            const int total = static_cast<int>(review.candidates().size());
            auto* count = secondaryText(
                QString::number(included) + QStringLiteral(" of ") + QString::number(total), this);
            count->setFont(tabularDigitFont(count->font()));
            count->setToolTip(
                QStringLiteral("Boxes that will be redacted. Click a box on the image to keep it visible."));
            count->setAccessibleName(QString::number(included) + QStringLiteral(" of ") +
                                     QString::number(total) + QStringLiteral(" boxes will be redacted"));
            row_->addWidget(count);
            row_->addWidget(
                button(QStringLiteral("Cancel"), QStringLiteral("Leave without changes (Esc)"), false));
            QPushButton* redact = button(
                QStringLiteral("Redact"),
                QStringLiteral("Cover the selected boxes with solid redactions (Return). One undo step."),
                true);
            redact->setDefault(true);
            redact->setEnabled(included > 0);
            row_->addWidget(redact);
        }
        break;
    }
}

} // namespace quorvane
