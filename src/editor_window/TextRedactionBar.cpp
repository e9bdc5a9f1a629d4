#include "editor_window/TextRedactionBar.h"

#include "canvas/TextRedactionController.h"
#include "core/ButtonReturnKey.h"
#include "document/DigitFont.h"
#include "editor_window/CompactButton.h"
#include "editor_window/ElidedLabel.h"
#include "editor_window/MenuButton.h"
#include "editor_window/MenuSection.h"
#include "editor_window/SymbolIcons.h"

#include <QActionGroup>
#include <QApplication>
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

const QString redactName = QStringLiteral("Redact");

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
    ButtonReturnKey::install();
    setFocusPolicy(Qt::NoFocus);
    // Rebuilt on the next turn: a change can come from one of this bar's own menus.
    connect(&controller, &TextRedactionController::changed, this,
            [this] { QMetaObject::invokeMethod(this, &TextRedactionBar::rebuild, Qt::QueuedConnection); });
    rebuild();
}

QPushButton* TextRedactionBar::button(const QString& title, const QString& help, bool apply) {
    auto* b = new QPushButton(title, this);
    b->setObjectName(title);
    b->setToolTip(help);
    CompactButton::allowShrinking(*b);
    b->setFocusPolicy(Qt::TabFocus);
    b->installEventFilter(this);
    connect(b, &QPushButton::clicked, this, [this, apply] {
        if (finish_) finish_(apply);
    });
    return b;
}

bool TextRedactionBar::eventFilter(QObject* watched, QEvent* event) {
    auto* pushButton = qobject_cast<QPushButton*>(watched);
    // As in a dialog, the button with the keyboard, which Return presses (ButtonReturnKey), is the
    // only one framed as the default; Redact, whenever the keyboard is elsewhere. Qt's auto-default
    // buttons would frame both outside a dialog.
    if (pushButton != nullptr && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        auto* focused = qobject_cast<QPushButton*>(QApplication::focusWidget());
        if (focused != nullptr && !isAncestorOf(focused)) focused = nullptr;
        for (QPushButton* button : findChildren<QPushButton*>())
            button->setDefault(focused != nullptr ? button == focused : button->objectName() == redactName);
    }
    return QWidget::eventFilter(watched, event);
}

QToolButton* TextRedactionBar::optionsMenu() {
    auto* button = new MenuButton(icons_, this);
    button->setObjectName(QStringLiteral("options"));
    button->setLabelSymbol(QStringLiteral("slider.horizontal.3"));
    button->setIndicatorVisible(false);
    button->setFixedLabelWidth(30);
    button->setToolTip(QStringLiteral("Words or lines, padding around each box, select all or none"));
    button->setAccessibleName(QStringLiteral("Redaction options"));

    auto* menu = new QMenu(button);
    menu->setAccessibleName(button->accessibleName());
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
    // The window's own record: a widget's keeps its last focused child after the keyboard left.
    QString focused;
    if (QWidget* focus = window()->focusWidget(); focus != nullptr && isAncestorOf(focus))
        focused = focus->objectName();
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
                redactName,
                QStringLiteral("Cover the selected boxes with solid redactions (Return). One undo step."),
                true);
            redact->setDefault(true);
            redact->setEnabled(included > 0);
            row_->addWidget(redact);
        }
        break;
    }
    // Once the new row shows: a hidden widget takes the focus only for itself.
    if (!focused.isEmpty())
        QMetaObject::invokeMethod(
            this, [this, focused] { refocus(focused); }, Qt::QueuedConnection);
}

void TextRedactionBar::refocus(const QString& name) {
    // Not where the keyboard has gone elsewhere since.
    if (QWidget* now = window()->focusWidget(); now != nullptr && !isAncestorOf(now)) return;
    QWidget* first = nullptr;
    for (QWidget* control : findChildren<QWidget*>()) {
        if (!(control->focusPolicy() & Qt::TabFocus) || !control->isEnabled()) continue;
        if (control->objectName() == name) {
            control->setFocus(Qt::OtherFocusReason);
            return;
        }
        if (first == nullptr) first = control;
    }
    if (first != nullptr) first->setFocus(Qt::OtherFocusReason);
}

} // namespace quorvane
