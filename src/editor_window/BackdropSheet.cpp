#include "editor_window/BackdropSheet.h"

#include "document/EditorDocument.h"
#include "editor_window/BackdropColorWell.h"
#include "editor_window/PresetButton.h"
#include "editor_window/SheetLook.h"
#include "editor_window/SheetSlider.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quorvane {
namespace {

std::optional<QImage> thumbnailSource(const EditorDocument& document) {
    auto rendered = document.render();
    if (!rendered) return std::nullopt;
    return BackdropThumbnail::downscaled(rendered.value(), BackdropThumbnail::pointSize,
                                         BackdropThumbnail::scale);
}

} // namespace

BackdropSheet::BackdropSheet(EditorDocument& document, QWidget* parent)
    : QDialog(parent), document_(&document),
      model_(BackdropModel::of(document.backdrop(), document.exportPointScale())),
      thumbnail_(thumbnailSource(document)) {
    QVBoxLayout* layout = SheetLook::column(*this, QStringLiteral("Backdrop"));

    picture_ = new QLabel(this);
    picture_->setFixedSize(BackdropThumbnail::pointSize.toSize());
    picture_->setAccessibleName(QStringLiteral("Preview of the exported image with the backdrop"));
    layout->addWidget(picture_, 0, Qt::AlignHCenter);

    layout->addWidget(buildPresets());
    layout->addWidget(buildForm());

    SheetLook::resultLines(*this, *layout, summary_, problem_);
    // An empty problem line is hidden, not an unnamed label, and keeps its room.
    QSizePolicy keepRoom = problem_->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    problem_->setSizePolicy(keepRoom);
    remove_ = SheetLook::plainButton(QStringLiteral("Remove"), this);
    remove_->setAccessibleDescription(QStringLiteral("Exports the image without a backdrop"));
    apply_ = SheetLook::plainButton(QStringLiteral("Apply"), this);
    connect(remove_, &QPushButton::clicked, this, &BackdropSheet::removeFromDocument);
    connect(apply_, &QPushButton::clicked, this, &BackdropSheet::applyToDocument);
    cancel_ = SheetLook::closingRow(*this, *layout, remove_, apply_);

    setFixedWidth(400);
    connect(&document, &EditorDocument::revisionChanged, this, &BackdropSheet::refresh);
    connect(&document, &QObject::destroyed, this, &QDialog::reject);
    refresh();
}

BackdropSheet::~BackdropSheet() = default;

QSizeF BackdropSheet::exportSize() const {
    const EditorDocument* document = document_.data();
    if (document == nullptr) return {};
    return document->outputSize().value_or(document->cropRect().size());
}

QPushButton& BackdropSheet::backgroundButton(BackdropModel::Background background) const {
    return *backgrounds_.at(static_cast<std::size_t>(background));
}

PresetButton& BackdropSheet::presetButton(Backdrop::Preset preset) const {
    return *presets_.at(static_cast<std::size_t>(preset));
}

QWidget* BackdropSheet::buildPresets() {
    QWidget* row = nullptr;
    QHBoxLayout* layout = SheetLook::row(row, this, 6);
    for (const auto preset : allBackdropPresets) {
        auto* button = new PresetButton(preset, row);
        connect(button, &QAbstractButton::clicked, this, [this, preset] {
            // The scale of the moment: the output size may have changed since the sheet opened.
            const EditorDocument* document = document_.data();
            model_.apply(preset, document != nullptr ? document->exportPointScale() : 1.0);
            refresh();
        });
        layout->addWidget(button);
        presets_.push_back(button);
    }
    layout->addStretch(1);
    return row;
}

QWidget* BackdropSheet::buildForm() {
    auto* form = new QWidget(this);
    auto* grid = new QGridLayout(form);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    int row = 0;
    const auto addRow = [&](const QString& label, QWidget* control) {
        grid->addWidget(new QLabel(label, form), row, 0, Qt::AlignLeft | Qt::AlignVCenter);
        grid->addWidget(control, row, 1);
        ++row;
    };

    QWidget* segments = nullptr;
    QHBoxLayout* segmentRow = SheetLook::row(segments, form, 0);
    auto* group = new QButtonGroup(segments);
    for (const auto background : allBackgrounds) {
        auto* button = SheetLook::plainButton(label(background), segments);
        button->setCheckable(true);
        group->addButton(button);
        connect(button, &QPushButton::clicked, this, [this, background] {
            model_.background = background;
            refresh();
        });
        segmentRow->addWidget(button);
        backgrounds_.at(static_cast<std::size_t>(background)) = button;
    }
    segments->setAccessibleName(QStringLiteral("Background"));
    addRow(QStringLiteral("Background:"), segments);

    QWidget* colors = nullptr;
    QHBoxLayout* colorRow = SheetLook::row(colors, form);
    color_ = new BackdropColorWell(QStringLiteral("Color"), colors);
    endColor_ = new BackdropColorWell(QStringLiteral("End color"), colors);
    endColor_->setAccessibleName(QStringLiteral("End color"));
    connect(color_, &BackdropColorWell::picked, this, [this](const Backdrop::RGBA& color) {
        model_.color = color;
        refresh();
    });
    connect(endColor_, &BackdropColorWell::picked, this, [this](const Backdrop::RGBA& color) {
        model_.endColor = color;
        refresh();
    });
    colorRow->addWidget(color_);
    colorRow->addWidget(endColor_);
    colorRow->addWidget(sliderRow(Slider::angle, QStringLiteral("Gradient angle"),
                                  {0, 360, 15, QStringLiteral("°")}, &BackdropModel::angle),
                        1);
    addRow(QStringLiteral("Colors:"), colors);

    addRow(QStringLiteral("Padding:"), sliderRow(Slider::padding, QStringLiteral("Padding"),
                                                 {0, 512, 1, QStringLiteral("px")}, &BackdropModel::padding));
    addRow(QStringLiteral("Corners:"),
           sliderRow(Slider::cornerRadius, QStringLiteral("Corner radius"), {0, 200, 1, QStringLiteral("px")},
                     &BackdropModel::cornerRadius));

    shadow_ = new QCheckBox(form);
    // No tool tip: the row's label says it, and Qt would read it as the box's description.
    shadow_->setAccessibleName(QStringLiteral("Shadow"));
    connect(shadow_, &QCheckBox::toggled, this, [this](bool on) {
        model_.shadow = on;
        refresh();
    });
    addRow(QStringLiteral("Shadow:"), shadow_);
    addRow(QStringLiteral("Blur:"),
           sliderRow(Slider::shadowRadius, QStringLiteral("Shadow blur"), {0, 100, 1, QStringLiteral("px")},
                     &BackdropModel::shadowRadius));
    addRow(QStringLiteral("Opacity:"),
           sliderRow(Slider::shadowOpacity, QStringLiteral("Shadow opacity"),
                     {0, 100, 1, QStringLiteral("%")}, &BackdropModel::shadowOpacity));
    addRow(QStringLiteral("Offset:"),
           sliderRow(Slider::shadowOffset, QStringLiteral("Shadow offset"),
                     {-50, 50, 1, QStringLiteral("px")}, &BackdropModel::shadowOffset));
    grid->setColumnStretch(1, 1);
    return form;
}

QWidget* BackdropSheet::sliderRow(Slider which, const QString& title, const SliderRule& rule,
                                  int BackdropModel::*field) {
    QWidget* row = nullptr;
    QHBoxLayout* layout = SheetLook::row(row, this, 6);
    auto* slider = new SheetSlider(title, rule, row);
    auto* value = new QLabel(row);
    value->setFixedWidth(58);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setFont(SheetLook::digitFont(value->font()));
    SheetLook::secondary(*value);
    connect(slider, &SheetSlider::edited, this, [this, field](int edited) {
        model_.*field = edited;
        refresh();
    });
    layout->addWidget(slider, 1);
    layout->addWidget(value);
    const auto index = static_cast<std::size_t>(which);
    sliders_.at(index) = slider;
    values_.at(index) = value;
    fields_.at(index) = field;
    return row;
}

void BackdropSheet::refresh() {
    using Background = BackdropModel::Background;
    for (const auto background : allBackgrounds) {
        QPushButton& button = backgroundButton(background);
        const QSignalBlocker blocker(&button);
        button.setChecked(model_.background == background);
    }
    color_->setColor(model_.color);
    endColor_->setColor(model_.endColor);
    color_->setAccessibleName(model_.background == Background::gradient ? QStringLiteral("Start color")
                                                                        : QStringLiteral("Background color"));
    color_->setEnabled(model_.background != Background::transparent);
    endColor_->setEnabled(model_.background == Background::gradient);
    for (std::size_t i = 0; i < sliders_.size(); ++i) {
        const int value = model_.*fields_.at(i);
        sliders_.at(i)->setFormValue(value);
        values_.at(i)->setText(sliders_.at(i)->rule().valueText(value));
    }
    slider(Slider::angle).setEnabled(model_.background == Background::gradient);
    valueText(Slider::angle).setEnabled(model_.background == Background::gradient);
    {
        const QSignalBlocker blocker(shadow_);
        shadow_->setChecked(model_.shadow);
    }
    for (const auto which : {Slider::shadowRadius, Slider::shadowOpacity, Slider::shadowOffset}) {
        slider(which).setEnabled(model_.shadow);
        valueText(which).setEnabled(model_.shadow);
    }

    const Backdrop backdrop = model_.backdrop();
    const QSizeF size = exportSize();
    shownThumbnail_ = thumbnail_.render(backdrop, size);
    picture_->setPixmap(shownThumbnail_.isNull() ? QPixmap() : QPixmap::fromImage(shownThumbnail_));
    const QString summary = model_.summary(size);
    summary_->setText(summary);
    summary_->setAccessibleName(QStringLiteral("Result: ") + summary);
    const auto problem = backdrop.problem(size);
    problem_->setText(problem.value_or(QString()));
    problem_->setVisible(problem.has_value());
    const EditorDocument* document = document_.data();
    apply_->setEnabled(!problem && document != nullptr);
    remove_->setEnabled(document != nullptr && document->backdrop().has_value());
}

void BackdropSheet::applyToDocument() {
    EditorDocument* document = document_.data();
    if (document == nullptr) return;
    const Backdrop backdrop = model_.backdrop();
    if (backdrop.problem(exportSize())) return;
    document->setBackdrop(backdrop);
    accept();
}

void BackdropSheet::removeFromDocument() {
    EditorDocument* document = document_.data();
    if (document == nullptr || !document->backdrop()) return;
    document->setBackdrop(std::nullopt);
    accept();
}

} // namespace quorvane
