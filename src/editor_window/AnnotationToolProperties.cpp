#include "editor_window/AnnotationToolProperties.h"

#include "canvas/AccessibleGroup.h"
#include "canvas/EditorCanvasSettings.h"
#include "document/DigitFont.h"
#include "document/EditorDocument.h"
#include "editor_window/ElidedLabel.h"
#include "editor_window/MenuButton.h"
#include "editor_window/MenuSection.h"
#include "editor_window/SymbolIcons.h"
#include "editor_window/ValueSpinBox.h"

#include <QActionGroup>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>

namespace quorvane {

namespace {

QToolButton* menuButton(const QString& name, const QString& title, QMenu*& menu, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setPopupMode(QToolButton::InstantPopup);
    button->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    button->setToolTip(title);
    button->setAccessibleName(title);
    MenuButton::openOnDown(*button);
    menu = new QMenu(button);
    // A reader names the open menu after its button.
    menu->setAccessibleName(title);
    button->setMenu(menu);
    return button;
}

} // namespace

AnnotationToolProperties::AnnotationToolProperties(EditorDocument& document, EditorCanvasSettings& settings,
                                                   const SymbolIcons& icons, QWidget* parent)
    : QWidget(parent), document_(&document), settings_(settings), icons_(icons) {
    AccessibleGroup::expose(*this, QAccessible::Grouping, QStringLiteral("Annotation properties"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    const QFont digits = tabularDigitFont(font());

    magnification_ =
        menuButton(QStringLiteral("magnification"), QStringLiteral("Magnification"), magnificationMenu_, this);
    magnification_->setFont(digits);
    // Described by its value (kept up to date while it shows), never by the name again.
    magnification_->setAccessibleDescription(magnificationText(settings_.style().magnification()));
    MenuSection::add(*magnificationMenu_, QStringLiteral("Magnification"));
    auto* magnificationChoices = new QActionGroup(magnificationMenu_);
    for (const double value : AnnotationToolProperties::magnifications) {
        QAction* choice = magnificationMenu_->addAction(magnificationText(value));
        choice->setCheckable(true);
        choice->setData(value);
        magnificationChoices->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, value] {
            if (document_) settings_.setMagnification(value, *document_);
        });
    }
    row->addWidget(magnification_);

    step_ = new ValueSpinBox(this);
    step_->setObjectName(QStringLiteral("stepNumber"));
    step_->setRange(1, 999);
    step_->setPrefix(QStringLiteral("Step "));
    step_->setFont(digits);
    step_->setToolTip(QStringLiteral("Step number"));
    step_->setAccessibleName(QStringLiteral("Step number"));
    // Spoken as the number alone, not as the "Step 3" it shows.
    step_->setValueText(QString::number(step_->value()));
    connect(step_, &QSpinBox::valueChanged, this,
            [this](int number) { step_->setValueText(QString::number(number)); });
    connect(step_, &QSpinBox::valueChanged, this, &AnnotationToolProperties::stepTo);
    row->addWidget(step_);

    spotlight_ =
        menuButton(QStringLiteral("spotlightShape"), QStringLiteral("Spotlight shape"), spotlightMenu_, this);
    spotlight_->setAccessibleDescription(settings_.style().spotlightOval() ? QStringLiteral("Ellipse")
                                                                           : QStringLiteral("Rectangle"));
    MenuSection::add(*spotlightMenu_, QStringLiteral("Spotlight Shape"));
    auto* shapes = new QActionGroup(spotlightMenu_);
    const QColor ink = palette().color(QPalette::ButtonText);
    const QColor faded = palette().color(QPalette::Disabled, QPalette::ButtonText);
    for (const auto& [title, symbol, oval] :
         {std::tuple{QStringLiteral("Rectangle"), QStringLiteral("rectangle"), false},
          std::tuple{QStringLiteral("Ellipse"), QStringLiteral("circle"), true}}) {
        QAction* choice = spotlightMenu_->addAction(icons_.icon(symbol, ink, faded), title);
        choice->setCheckable(true);
        choice->setData(oval);
        shapes->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, oval = oval] {
            if (document_) settings_.setSpotlightOval(oval, *document_);
        });
    }
    row->addWidget(spotlight_);

    hint_ = new ElidedLabel(QString(), this);
    hint_->setObjectName(QStringLiteral("hint"));
    hint_->setForegroundRole(QPalette::PlaceholderText);
    row->addWidget(hint_);

    connect(&settings_.modes(), &PaneModes::selectedIDChanged, this, &AnnotationToolProperties::refresh);
    for (auto signal :
         {&ToolStyle::toolChanged, &ToolStyle::magnificationChanged, &ToolStyle::spotlightOvalChanged})
        connect(&settings_.style(), signal, this, &AnnotationToolProperties::refresh);
    connect(&document, &EditorDocument::revisionChanged, this, &AnnotationToolProperties::refresh);
    refresh();
}

std::optional<QString> AnnotationToolProperties::hint(std::optional<ToolTable::Tool> tool,
                                                      std::int64_t next) {
    using Tool = ToolTable::Tool;
    if (tool == Tool::freehand) return QStringLiteral("Drag to draw");
    if (tool == Tool::highlight) return QStringLiteral("Drag over what to highlight");
    if (tool == Tool::spotlight) return QStringLiteral("Drag around what matters");
    if (tool == Tool::counter) return QStringLiteral("Click to place step ") + QString::number(next);
    if (tool == Tool::magnifier) return QStringLiteral("Drag out from the detail");
    return std::nullopt;
}

QString AnnotationToolProperties::magnificationText(double value) {
    // QString::number never uses the locale; 'g' with six digits is C's "%g".
    return QString::number(value, 'g', 6) + QChar(0x00D7);
}

void AnnotationToolProperties::refresh() {
    const EditorDocument* document = document_;
    if (document == nullptr) return;
    std::optional<Annotation> selected;
    if (const auto id = settings_.modes().selectedID())
        for (const Annotation& a : document->annotations())
            if (a.id == *id) {
                selected = a;
                break;
            }
    const std::optional<AnnotationKind> kind =
        selected ? std::optional(selected->kind) : settings_.style().drawingKind();

    const bool magnifier = kind == AnnotationKind::magnifier;
    magnification_->setVisible(magnifier);
    if (magnifier) {
        const double m = selected ? selected->magnification : settings_.style().magnification();
        const QString text = magnificationText(m);
        magnification_->setText(text);
        magnification_->setAccessibleDescription(text);
        for (QAction* choice : magnificationMenu_->actions())
            if (!choice->isSeparator()) choice->setChecked(choice->data().toDouble() == m);
    }

    const bool counter = kind == AnnotationKind::counter && selected;
    step_->setVisible(counter);
    if (counter) {
        const QSignalBlocker quiet(step_);
        step_->setValue(static_cast<int>(std::clamp<std::int64_t>(selected->number, 1, 999)));
        step_->setValueText(QString::number(step_->value()));
    }

    const bool spotlight = kind == AnnotationKind::spotlight;
    spotlight_->setVisible(spotlight);
    if (spotlight) {
        const bool oval = selected ? selected->fill : settings_.style().spotlightOval();
        const QColor ink = palette().color(QPalette::ButtonText);
        spotlight_->setIcon(
            icons_.icon(oval ? QStringLiteral("circle.dashed") : QStringLiteral("rectangle.dashed"), ink,
                        palette().color(QPalette::Disabled, QPalette::ButtonText)));
        spotlight_->setAccessibleDescription(oval ? QStringLiteral("Ellipse") : QStringLiteral("Rectangle"));
        for (QAction* choice : spotlightMenu_->actions())
            if (!choice->isSeparator()) choice->setChecked(choice->data().toBool() == oval);
    }

    const std::optional<QString> usage =
        selected ? std::nullopt : hint(settings_.style().toolKind(), document_->nextCounterNumber());
    hint_->setVisible(usage.has_value());
    hint_->setFullText(usage.value_or(QString()));
    hint_->setToolTip(usage.value_or(QString()));
}

void AnnotationToolProperties::stepTo(int number) {
    if (!document_) return;
    if (auto counter = settings_.selected(AnnotationKind::counter, *document_)) {
        counter->number = number;
        document_->updateAnnotation(*counter);
    }
}

} // namespace quorvane
