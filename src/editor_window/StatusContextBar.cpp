#include "editor_window/StatusContextBar.h"

#include "canvas/AccessibleGroup.h"
#include "canvas/EditorCanvasSettings.h"
#include "core/ButtonReturnKey.h"
#include "document/DigitFont.h"
#include "document/EditorDocument.h"
#include "editor_window/AreaColorsView.h"
#include "editor_window/ChromeText.h"
#include "editor_window/ColorSwatch.h"
#include "editor_window/CompactButton.h"
#include "editor_window/ElidedLabel.h"
#include "editor_window/FocusChain.h"
#include "editor_window/FocusPlace.h"
#include "editor_window/IconButton.h"
#include "editor_window/SegmentedPicker.h"
#include "editor_window/StatusBarText.h"
#include "editor_window/SymbolIcons.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <utility>

namespace quorvane {

namespace {

// What assistive technology calls each bar.
QString barName(ContextBar bar) {
    switch (bar) {
    case ContextBar::review:
        return QStringLiteral("Redact Text");
    case ContextBar::recognizeText:
        return QStringLiteral("Recognize Text");
    case ContextBar::arrow:
        return QStringLiteral("Arrow");
    case ContextBar::bracket:
        return QStringLiteral("Bracket");
    case ContextBar::colorSampler:
        return QStringLiteral("Color");
    case ContextBar::ruler:
        return QStringLiteral("Measurement");
    case ContextBar::crop:
    case ContextBar::resetCrop:
        return QStringLiteral("Crop");
    case ContextBar::selection:
        return QStringLiteral("Selection");
    case ContextBar::inspector:
        return QStringLiteral("Annotation properties");
    case ContextBar::note:
    case ContextBar::empty:
        break;
    }
    return QStringLiteral("Note");
}

// A reading the bar shows whole: sizes, colour codes, measurements.
QLabel* text(const QString& content, QWidget* parent, bool secondary = true) {
    auto* label = new QLabel(content, parent);
    if (secondary) label->setForegroundRole(QPalette::PlaceholderText);
    label->setWordWrap(false);
    return label;
}

// A usage hint: one line that gives way to the bar's buttons.
ElidedLabel* hint(const QString& content, QWidget* parent) {
    auto* label = new ElidedLabel(content, parent);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QPushButton* button(const QString& title, const QString& help, QWidget* parent,
                    std::function<void()> action) {
    auto* pushButton = new QPushButton(title, parent);
    pushButton->setToolTip(help);
    CompactButton::allowShrinking(*pushButton);
    QObject::connect(pushButton, &QPushButton::clicked, parent, std::move(action));
    return pushButton;
}

QHBoxLayout* rowOf(QWidget* bar, int spacing) {
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    return row;
}

} // namespace

StatusContextBar::StatusContextBar(EditorDocument& document, EditorCanvasSettings& settings,
                                   ContextBarHosts hosts, Clipboard& clipboard, const SymbolIcons& icons,
                                   QWidget* parent)
    : QWidget(parent), document_(&document), settings_(settings), hosts_(std::move(hosts)),
      smartModes_(settings, clipboard), icons_(icons) {
    ButtonReturnKey::install();
    AccessibleGroup::expose(*this, QAccessible::Grouping, QStringLiteral("Tool options"));
    row_ = new QHBoxLayout(this);
    row_->setContentsMargins(0, 0, 0, 0);
    for (auto signal :
         {&PaneModes::textRedactionChanged, &PaneModes::recognizingChanged, &PaneModes::croppingChanged,
          &PaneModes::selectedIDChanged, &PaneModes::selectionChanged, &PaneModes::measurementLabelChanged,
          &PaneModes::hoverColorChanged, &PaneModes::areaColorsChanged})
        connect(&settings_.modes(), signal, this, &StatusContextBar::scheduleRebuild);
    for (auto signal : {&ToolStyle::toolChanged, &ToolStyle::arrowCurvedChanged,
                        &ToolStyle::bracketKindChanged, &ToolStyle::measurementUnitChanged})
        connect(&settings_.style(), signal, this, &StatusContextBar::scheduleRebuild);
    connect(&document, &EditorDocument::revisionChanged, this, &StatusContextBar::scheduleRebuild);
    rebuild();
}

void StatusContextBar::scheduleRebuild() {
    if (scheduled_) return;
    scheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        if (scheduled_) rebuild();
    });
}

void StatusContextBar::commit() {
    if (settings_.finishText) settings_.finishText();
}

void StatusContextBar::rebuild() {
    scheduled_ = false;
    QWidget* old = std::exchange(bar_, nullptr);
    const ContextBar before = shown_;
    // Taken before the old bar hides: Qt would send the keyboard on to the next control then.
    const std::optional<FocusPlace> place = old != nullptr ? FocusPlace::in(*old) : std::nullopt;
    if (document_) build();
    if (bar_ != nullptr) {
        // A bar that is a lone button (Reset Crop) is read by its own title, not as a group.
        if (qobject_cast<QAbstractButton*>(bar_) == nullptr)
            AccessibleGroup::expose(*bar_, QAccessible::Grouping, barName(shown_));
        row_->addWidget(bar_, 0, Qt::AlignCenter);
        // Now rather than on the next turn, so that it can take the keyboard.
        bar_->show();
    }
    if (place) passKeyboard(*place, before);
    if (old != nullptr) {
        old->hide();
        old->deleteLater();
    }
    if (bar_ == nullptr) return;
    FocusChain::gather(*this);
    // A bar that rebuilds its own row (the review's) asks for a new layout then.
    bar_->installEventFilter(this);
}

void StatusContextBar::passKeyboard(const FocusPlace& place, ContextBar before) {
    // Another bar is no successor: Reset Crop in the place of Crop would undo it at the next Space.
    QWidget* successor = bar_ != nullptr && shown_ == before ? place.successor(*bar_) : nullptr;
    if (successor != nullptr) {
        successor->setFocus(Qt::OtherFocusReason);
        return;
    }
    Q_EMIT controlGone();
    // Where nobody took it, it goes nowhere rather than on to the next control.
    if (QWidget* focused = window()->focusWidget(); focused != nullptr && isAncestorOf(focused))
        focused->clearFocus();
}

void StatusContextBar::build() {
    shown_ = chooseContextBar(settings_, *document_);
    switch (shown_) {
    case ContextBar::review:
        bar_ = hosts_.reviewBar(
            *settings_.modes().textRedaction(),
            [this](bool apply) { hosts_.finishTextRedaction(settings_, apply); }, icons_);
        break;
    case ContextBar::recognizeText:
        buildRecognizeText();
        break;
    case ContextBar::arrow:
        buildArrow();
        break;
    case ContextBar::bracket:
        buildBracket();
        break;
    case ContextBar::colorSampler:
        buildColorSampler();
        break;
    case ContextBar::ruler:
        buildRuler();
        break;
    case ContextBar::crop:
        buildCrop();
        break;
    case ContextBar::selection:
        buildSelection();
        break;
    case ContextBar::inspector:
        bar_ = hosts_.toolProperties(*document_, settings_, icons_);
        break;
    case ContextBar::note:
        buildNote();
        break;
    case ContextBar::resetCrop:
        buildResetCrop();
        break;
    case ContextBar::empty:
        break;
    }
}

bool StatusContextBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == bar_ && event->type() == QEvent::LayoutRequest) FocusChain::gather(*this);
    return QWidget::eventFilter(watched, event);
}

void StatusContextBar::buildRecognizeText() {
    bar_ = new QWidget;
    auto* row = rowOf(bar_, 6);
    row->addWidget(hint(settings_.modes().selection() ? QStringLiteral("Release or press Return to recognize")
                                                      : QStringLiteral("Drag over the text to recognize"),
                        bar_));
    row->addWidget(button(QStringLiteral("Whole Image"),
                          QStringLiteral("Recognize all text in the image (Return)"), bar_, [this] {
                              settings_.modes().setSelection(std::nullopt);
                              if (document_) settings_.finishRecognizing(*document_);
                          }));
    row->addWidget(
        button(QStringLiteral("Cancel"), QStringLiteral("Leave text recognition (Esc)"), bar_, [this] {
            settings_.modes().setRecognizing(false);
            settings_.modes().setSelection(std::nullopt);
            settings_.modes().setMessage(QString());
        }));
}

void StatusContextBar::buildArrow() {
    bar_ = new QWidget;
    auto* row = rowOf(bar_, 8);
    std::vector<SegmentedPicker::Segment> segments;
    for (const auto& choice : EditorCanvasSettings::arrowChoices())
        segments.push_back({QString(),
                            icons_.icon(choice.symbol, palette().color(QPalette::ButtonText),
                                        palette().color(QPalette::Disabled, QPalette::ButtonText)),
                            choice.name});
    auto* picker = new SegmentedPicker(
        QStringLiteral("Arrow style"), segments, settings_.style().arrowCurved() ? 1 : 0,
        [this](int index) { settings_.style().setArrowCurved(index == 1); }, bar_);
    picker->setFixedWidth(84);
    picker->setToolTip(QStringLiteral("Arrow style: straight or curved (press A to switch)"));
    row->addWidget(picker);
    row->addWidget(hint(settings_.style().arrowCurved()
                            ? QStringLiteral("Drag from start to point; the curve bends the way you lean")
                            : QStringLiteral("Drag from start to point"),
                        bar_));
}

void StatusContextBar::buildBracket() {
    bar_ = new QWidget;
    auto* row = rowOf(bar_, 8);
    std::vector<SegmentedPicker::Segment> segments;
    int current = 0;
    const auto& choices = EditorCanvasSettings::bracketChoices();
    for (size_t i = 0; i < choices.size(); ++i) {
        segments.push_back({choices[i].glyph, QIcon(), choices[i].name});
        if (choices[i].kind == settings_.style().bracketKind()) current = int(i);
    }
    auto* picker = new SegmentedPicker(
        QStringLiteral("Bracket shape"), segments, current,
        [this](int index) {
            settings_.style().setBracketKind(EditorCanvasSettings::bracketChoices()[size_t(index)].kind);
        },
        bar_);
    QFont glyphs = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    glyphs.setBold(true);
    picker->setFont(glyphs);
    picker->setFixedWidth(132);
    picker->setToolTip(QStringLiteral("Bracket shape (press K to switch)"));
    row->addWidget(picker);
    row->addWidget(hint(QStringLiteral("Drag along what to bracket"), bar_));
}

void StatusContextBar::buildColorSampler() {
    if (const auto& colors = settings_.modes().areaColors()) {
        bar_ = new AreaColorsView(
            *colors, [this](const QString& hex) { smartModes_.copyColorText(hex); }, icons_);
        return;
    }
    bar_ = new QWidget;
    auto* row = rowOf(bar_, 6);
    if (const auto& color = settings_.modes().hoverColor()) {
        row->addWidget(new ColorSwatch(*color, bar_));
        auto* code = text(color->hex() + QStringLiteral("  ") + color->rgbString(), bar_, false);
        code->setFont(ChromeText::monospaced(code->font()));
        code->setTextInteractionFlags(Qt::TextSelectableByMouse);
        row->addWidget(code);
        return;
    }
    row->addWidget(hint(QStringLiteral("Click copies HEX · drag averages an area"), bar_));
}

void StatusContextBar::buildRuler() {
    bar_ = new QWidget;
    auto* row = rowOf(bar_, 8);
    const auto& label = settings_.modes().measurementLabel();
    QLabel* reading =
        label ? text(*label, bar_, false) : hint(QStringLiteral("Hover or drag to measure"), bar_);
    reading->setFont(tabularDigitFont(reading->font()));
    row->addWidget(reading);
    auto* units = new SegmentedPicker(
        QStringLiteral("Units"),
        {{QStringLiteral("px"), QIcon(), QStringLiteral("px")},
         {QStringLiteral("pt"), QIcon(), QStringLiteral("pt")}},
        settings_.style().measurementUnit() == MeasurementUnit::points ? 1 : 0,
        [this](int index) {
            settings_.style().setMeasurementUnit(index == 1 ? MeasurementUnit::points
                                                            : MeasurementUnit::pixels);
        },
        bar_);
    units->setFixedWidth(70);
    units->setAccessibleName(QStringLiteral("Measurement units"));
    units->setToolTip(StatusBarText::unitsHelp(document_->pixelScale()));
    row->addWidget(units);
}

void StatusContextBar::buildCrop() {
    bar_ = new QWidget;
    auto* row = rowOf(bar_, 6);
    if (const auto& selection = settings_.modes().selection()) {
        auto* size = text(StatusBarText::selectionSize(*selection), bar_);
        size->setFont(tabularDigitFont(size->font()));
        row->addWidget(size);
        auto* crop =
            button(QStringLiteral("Crop"), QStringLiteral("Crop to the selection (Return)"), bar_, [this] {
                if (document_) settings_.applyCrop(*document_);
            });
        crop->setDefault(true);
        row->addWidget(crop);
    } else {
        row->addWidget(hint(QStringLiteral("Drag to select"), bar_));
    }
    row->addWidget(button(QStringLiteral("Cancel"), QStringLiteral("Leave crop mode (Esc)"), bar_,
                          [this] { settings_.toggleCrop(); }));
}

void StatusContextBar::buildSelection() {
    const QUuid id = *settings_.modes().selectedID();
    bar_ = new QWidget;
    auto* row = rowOf(bar_, 2);
    row->addWidget(hosts_.toolProperties(*document_, settings_, icons_));
    auto add = [&](const QString& symbol, const QString& title, std::function<void()> action) {
        row->addWidget(new IconButton(icons_, symbol, title, std::move(action), bar_));
    };
    add(QStringLiteral("trash"), QStringLiteral("Delete annotation (Delete)"), [this, id] {
        commit();
        if (!document_) return;
        document_->deleteAnnotation(id);
        settings_.modes().setSelectedID(std::nullopt);
        settings_.announce(QStringLiteral("Annotation deleted"));
    });
    add(QStringLiteral("plus.square.on.square"),
        QStringLiteral("Duplicate annotation (") + ChromeText::shortcut(Qt::CTRL | Qt::Key_D) +
            QLatin1Char(')'),
        [this, id] {
            commit();
            if (document_) smartModes_.duplicate(id, *document_);
        });
    add(QStringLiteral("square.2.layers.3d.top.filled"), QStringLiteral("Bring annotation forward"),
        [this, id] {
            commit();
            if (document_) document_->reorder(id, 1);
        });
    add(QStringLiteral("square.2.layers.3d.bottom.filled"), QStringLiteral("Send annotation backward"),
        [this, id] {
            commit();
            if (document_) document_->reorder(id, -1);
        });
    row->addWidget(hosts_.compositionControls(*document_, settings_, id, icons_));
}

void StatusContextBar::buildNote() {
    // Shown only for a tool that has a note.
    const QString note = *ToolTable::row(*settings_.style().toolKind()).note;
    const bool redact = settings_.style().toolKind() == ToolTable::Tool::redact;
    bar_ = new QWidget;
    auto* row = rowOf(bar_, 8);
    const QColor color = redact ? palette().color(QPalette::PlaceholderText) : QColor(255, 149, 0);
    auto* icon = new QLabel(bar_);
    icon->setPixmap(
        icons_
            .icon(redact ? QStringLiteral("lock.fill") : QStringLiteral("exclamationmark.triangle"), color,
                  color)
            .pixmap(14, 14));
    icon->setObjectName(redact ? QStringLiteral("lock.fill") : QStringLiteral("exclamationmark.triangle"));
    // The note says what the symbol shows.
    AccessibleGroup::markDecoration(*icon);
    row->addWidget(icon);
    auto* label = new ElidedLabel(note, bar_);
    QPalette tinted = label->palette();
    tinted.setColor(QPalette::WindowText, color);
    label->setPalette(tinted);
    label->setToolTip(note);
    row->addWidget(label);
    if (redact)
        row->addWidget(
            button(QStringLiteral("Redact Text…"),
                   QStringLiteral("Find text in the selection or image and cover the chosen words with solid "
                                  "redactions (") +
                       ChromeText::shortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_R) + QLatin1Char(')'),
                   bar_, [this] {
                       if (document_) hosts_.startTextRedaction(*document_, settings_);
                   }));
}

void StatusContextBar::buildResetCrop() {
    bar_ =
        button(QStringLiteral("Reset Crop"), QStringLiteral("Restore the full captured image"), this, [this] {
            commit();
            if (!document_) return;
            document_->resetCrop();
            settings_.fitImage();
        });
    static_cast<QPushButton*>(bar_)->setFlat(true);
    CompactButton::showKeyboardFocus(*static_cast<QPushButton*>(bar_));
}

} // namespace quorvane
