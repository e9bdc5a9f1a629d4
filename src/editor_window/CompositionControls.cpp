#include "editor_window/CompositionControls.h"

#include "canvas/AccessibleGroup.h"
#include "canvas/EditorCanvasSettings.h"
#include "document/CanvasAlignment.h"
#include "document/DigitFont.h"
#include "document/EditorDocument.h"
#include "editor_window/MenuButton.h"
#include "editor_window/SymbolIcons.h"
#include "editor_window/ValueSlider.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <cmath>

namespace quorvane {

CompositionControls::CompositionControls(EditorDocument& document, EditorCanvasSettings& settings,
                                         const QUuid& id, const SymbolIcons& icons, QWidget* parent)
    : QWidget(parent), document_(&document), settings_(settings), id_(id) {
    AccessibleGroup::expose(*this, QAccessible::Grouping, QStringLiteral("Arrangement"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);

    arrange_ = new QToolButton(this);
    arrange_->setObjectName(QStringLiteral("arrange"));
    arrange_->setAutoRaise(true);
    arrange_->setPopupMode(QToolButton::InstantPopup);
    arrange_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    arrange_->setIcon(icons.icon(QStringLiteral("square.3.layers.3d"), palette().color(QPalette::ButtonText),
                                 palette().color(QPalette::Disabled, QPalette::ButtonText)));
    arrange_->setToolTip(QStringLiteral("Bring to front, send to back, or align with the canvas"));
    arrange_->setAccessibleName(QStringLiteral("Arrange"));
    auto* menu = new QMenu(arrange_);
    menu->setAccessibleName(arrange_->accessibleName());
    for (const StackEnd end : {StackEnd::front, StackEnd::back})
        connect(menu->addAction(end == StackEnd::front ? QStringLiteral("Bring to Front")
                                                       : QStringLiteral("Send to Back")),
                &QAction::triggered, this, [this, end] {
                    finishText();
                    if (document_) document_->move(id_, end);
                });
    menu->addSeparator();
    for (const CanvasAlignment alignment : allCanvasAlignments)
        connect(menu->addAction(title(alignment)), &QAction::triggered, this, [this, alignment] {
            finishText();
            if (!document_) return;
            if (const auto aligned = document_->align(id_, alignment); !aligned)
                settings_.modes().setMessage(aligned.error().message);
        });
    arrange_->setMenu(menu);
    MenuButton::openOnDown(*arrange_);
    row->addWidget(arrange_);

    slider_ = new ValueSlider(this);
    slider_->setOrientation(Qt::Horizontal);
    slider_->setObjectName(QStringLiteral("opacity"));
    slider_->setRange(0, sliderSteps);
    slider_->setSingleStep(sliderSteps / 100);
    slider_->setPageStep(sliderSteps / 10);
    slider_->setFixedWidth(72);
    slider_->setAttribute(Qt::WA_MacMiniSize);
    slider_->setToolTip(QStringLiteral("Image opacity"));
    slider_->setAccessibleName(QStringLiteral("Image opacity"));
    connect(slider_, &QSlider::sliderPressed, this, [this] { setDragging(true); });
    connect(slider_, &QSlider::sliderReleased, this, [this] { setDragging(false); });
    connect(slider_, &QSlider::valueChanged, this,
            [this](int value) { write(static_cast<double>(value) / sliderSteps); });
    row->addWidget(slider_);

    percent_ = new QLabel(this);
    percent_->setObjectName(QStringLiteral("percent"));
    percent_->setFont(tabularDigitFont(percent_->font()));
    percent_->setForegroundRole(QPalette::PlaceholderText);
    percent_->setFixedWidth(36);
    percent_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    row->addWidget(percent_);

    connect(&document, &EditorDocument::revisionChanged, this, &CompositionControls::refresh);
    refresh();
}

double CompositionControls::opacity() const {
    if (draft_) return *draft_;
    if (const EditorDocument* document = document_)
        for (const Annotation& a : document->annotations())
            if (a.id == id_) return a.opacity;
    return 1.0;
}

int CompositionControls::percent() const {
    return static_cast<int>(std::round(opacity() * 100));
}

void CompositionControls::refresh() {
    const Annotation* selected = nullptr;
    if (const EditorDocument* document = document_)
        for (const Annotation& a : document->annotations())
            if (a.id == id_) {
                selected = &a;
                break;
            }
    const bool overlay = selected != nullptr && selected->kind == AnnotationKind::image;
    slider_->setVisible(overlay);
    percent_->setVisible(overlay);
    const QString text = QString::number(percent());
    percent_->setText(text + QLatin1Char('%'));
    slider_->setValueText(text + QStringLiteral(" percent"));
    if (!slider_->isSliderDown()) {
        const QSignalBlocker quiet(slider_);
        slider_->setValue(static_cast<int>(std::lround(opacity() * sliderSteps)));
    }
}

void CompositionControls::write(double value) {
    draft_ = value;
    if (!dragging_) {
        draft_.reset();
        commit(value);
    }
    refresh();
}

void CompositionControls::setDragging(bool dragging) {
    dragging_ = dragging;
    if (!dragging && draft_) {
        const double value = *draft_;
        draft_.reset();
        commit(value);
    }
    refresh();
}

void CompositionControls::commit(double value) {
    finishText();
    if (document_) document_->setOpacity(value, id_);
}

void CompositionControls::finishText() {
    if (settings_.finishText) settings_.finishText();
}

} // namespace quorvane
