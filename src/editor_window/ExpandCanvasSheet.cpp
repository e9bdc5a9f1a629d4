#include "editor_window/ExpandCanvasSheet.h"

#include "document/EditorDocument.h"
#include "editor_window/SegmentedPicker.h"
#include "editor_window/SheetLook.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {
namespace {

using Field = std::optional<int> ExpandCanvasModel::*;
constexpr std::array<Field, 6> fieldMembers = {&ExpandCanvasModel::top,    &ExpandCanvasModel::left,
                                               &ExpandCanvasModel::bottom, &ExpandCanvasModel::right,
                                               &ExpandCanvasModel::width,  &ExpandCanvasModel::height};
const std::array<QString, 6>& fieldNames() {
    static const std::array<QString, 6> names = {QStringLiteral("Top"),    QStringLiteral("Left"),
                                                 QStringLiteral("Bottom"), QStringLiteral("Right"),
                                                 QStringLiteral("Width"),  QStringLiteral("Height")};
    return names;
}

} // namespace

ExpandCanvasSheet::ExpandCanvasSheet(EditorDocument& document, QWidget* parent)
    : QDialog(parent), document_(&document), model_(document.cropRect().size()) {
    QVBoxLayout* layout = SheetLook::column(*this, QStringLiteral("Expand Canvas"));

    std::vector<SegmentedPicker::Segment> segments;
    for (const auto mode : ExpandCanvasModel::allModes)
        segments.push_back({ExpandCanvasModel::label(mode), QIcon(), ExpandCanvasModel::label(mode)});
    mode_ = new SegmentedPicker(
        QStringLiteral("Expand by padding or to a size"), segments, 0,
        [this](int index) {
            model_.mode = ExpandCanvasModel::allModes.at(static_cast<std::size_t>(index));
            refresh();
        },
        this);
    layout->addWidget(mode_, 0, Qt::AlignLeft);
    layout->addWidget(buildFields());
    layout->addWidget(buildPresets());

    auto* note = new QLabel(QStringLiteral("New canvas uses the image's edge color. One undo step."), this);
    note->setWordWrap(true);
    SheetLook::caption(*note);
    layout->addWidget(note);

    SheetLook::resultLines(*this, *layout, summary_, problem_);
    expand_ = SheetLook::plainButton(QStringLiteral("Expand"), this);
    connect(expand_, &QPushButton::clicked, this, &ExpandCanvasSheet::expand);
    cancel_ = SheetLook::closingRow(*this, *layout, nullptr, expand_);

    setFixedWidth(320);
    connect(&document, &QObject::destroyed, this, &QDialog::reject);
    refresh();
}

QWidget* ExpandCanvasSheet::buildFields() {
    auto* fields = new QWidget(this);
    QGridLayout* grid = SheetLook::fieldGrid(*fields);
    for (std::size_t i = 0; i < fieldMembers.size(); ++i) {
        // Size rows share the grid rows of the first two padding rows; only one set shows.
        const int row = static_cast<int>(i < 4 ? i : i - 4);
        const auto [label, field] = SheetLook::pixelField(*grid, row, fieldNames().at(i));
        const Field member = fieldMembers.at(i);
        connect(field, &QLineEdit::textEdited, this, [this, member](const QString& text) {
            model_.*member = ExpandCanvasModel::entry(text);
            refresh();
        });
        fields_.at(i) = field;
        rows_.at(i) = label;
    }
    return fields;
}

QWidget* ExpandCanvasSheet::buildPresets() {
    QHBoxLayout* layout = SheetLook::row(presetRow_, this, 6);
    for (std::size_t i = 0; i < presets.size(); ++i) {
        const int margin = presets.at(i);
        auto* button = SheetLook::plainButton(QString::number(margin) + QStringLiteral(" px"), presetRow_);
        button->setAccessibleName(QString::number(margin) + QStringLiteral(" pixels on every side"));
        connect(button, &QPushButton::clicked, this, [this, margin] {
            model_.top = model_.left = model_.bottom = model_.right = margin;
            refresh();
        });
        layout->addWidget(button);
        presets_.at(i) = button;
    }
    layout->addStretch(1);
    return presetRow_;
}

void ExpandCanvasSheet::refresh() {
    const bool padding = model_.mode == ExpandCanvasModel::Mode::padding;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        const bool shown = (i < 4) == padding;
        QLineEdit* field = fields_.at(i);
        // The label and the unit beside the field go with it.
        for (QWidget* part : {static_cast<QWidget*>(rows_.at(i)), static_cast<QWidget*>(field)})
            part->setVisible(shown);
        const int index = field->parentWidget()->layout()->indexOf(field);
        if (QLayoutItem* unit = field->parentWidget()->layout()->itemAt(index + 1))
            if (unit->widget() != nullptr) unit->widget()->setVisible(shown);
        // Typing keeps its place: a field shows the stored value once the edit is taken.
        const QString text = ExpandCanvasModel::fieldText(model_.*fieldMembers.at(i));
        if (field->text() != text) field->setText(text);
    }
    presetRow_->setVisible(padding);
    summary_->setText(model_.summary());
    summary_->setAccessibleName(QStringLiteral("Result: ") + model_.summary());
    const auto problem = model_.problem();
    problem_->setText(problem.value_or(QString()));
    problem_->setVisible(problem.has_value());
    expand_->setEnabled(!problem);
}

void ExpandCanvasSheet::expand() {
    const auto margins = model_.padding();
    EditorDocument* document = document_.data();
    if (document == nullptr || !margins) return;
    const auto [top, left, bottom, right] = *margins;
    if (document->expandCanvas(top, left, bottom, right)) accept();
}

} // namespace quorvane
