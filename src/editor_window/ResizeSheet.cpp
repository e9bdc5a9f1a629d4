#include "editor_window/ResizeSheet.h"

#include "core/ComboBoxAccessible.h"
#include "document/EditorDocument.h"
#include "editor_window/SheetLook.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace quorvane {
namespace {

constexpr std::array<int, 4> percentages = {25, 50, 100, 200};

} // namespace

ResizeSheet::ResizeSheet(EditorDocument& document, QWidget* parent)
    : QDialog(parent), document_(&document), model_(ResizeModel::of(document)) {
    QVBoxLayout* layout = SheetLook::column(*this, QStringLiteral("Resize Image"));
    layout->addWidget(buildFields());

    lock_ = new QCheckBox(QStringLiteral("Keep aspect ratio"), this);
    lock_->setAccessibleDescription(QStringLiteral("When on, changing one side updates the other"));
    connect(lock_, &QCheckBox::toggled, this, [this](bool on) {
        model_.setLockAspect(on);
        refresh();
    });
    layout->addWidget(lock_);
    layout->addWidget(buildPercents());

    logical_ = SheetLook::plainButton(QString(), this);
    connect(logical_, &QPushButton::clicked, this, [this] {
        model_.applyLogical();
        refresh();
    });
    layout->addWidget(logical_, 0, Qt::AlignLeft);

    QWidget* picker = nullptr;
    QHBoxLayout* pickerRow = SheetLook::row(picker, this);
    auto* pickerLabel = new QLabel(QStringLiteral("Resampling:"), picker);
    ComboBoxAccessible::install();
    quality_ = new QComboBox(picker);
    // Named before it is filled, so that a running reader never hears an item as its name.
    quality_->setAccessibleName(QStringLiteral("Resampling"));
    for (const auto quality : ImageResampler::allQualities)
        quality_->addItem(ImageResampler::label(quality), ImageResampler::rawValue(quality));
    // Its list is in the tree while closed too.
    quality_->view()->setAccessibleName(QStringLiteral("Resampling"));
    pickerLabel->setBuddy(quality_);
    connect(quality_, &QComboBox::activated, this, [this](int index) {
        model_.setQuality(ImageResampler::allQualities.at(static_cast<std::size_t>(index)));
        refresh();
    });
    pickerRow->addWidget(pickerLabel);
    pickerRow->addWidget(quality_, 1);
    layout->addWidget(picker);

    description_ = new QLabel(this);
    SheetLook::caption(*description_);
    layout->addWidget(description_);

    SheetLook::resultLines(*this, *layout, summary_, problem_);
    reset_ = SheetLook::plainButton(QStringLiteral("Reset"), this);
    reset_->setAccessibleDescription(QStringLiteral("Exports at the cropped size again"));
    resize_ = SheetLook::plainButton(QStringLiteral("Resize"), this);
    connect(reset_, &QPushButton::clicked, this, &ResizeSheet::resetDocument);
    connect(resize_, &QPushButton::clicked, this, &ResizeSheet::resizeDocument);
    cancel_ = SheetLook::closingRow(*this, *layout, reset_, resize_);

    setFixedWidth(360);
    connect(&document, &EditorDocument::revisionChanged, this, &ResizeSheet::refresh);
    connect(&document, &QObject::destroyed, this, &QDialog::reject);
    refresh();
}

QWidget* ResizeSheet::buildFields() {
    auto* fields = new QWidget(this);
    QGridLayout* grid = SheetLook::fieldGrid(*fields);
    const auto addRow = [&](int row, const QString& name, QLineEdit*& field,
                            void (ResizeModel::*type)(const QString&)) {
        field = SheetLook::pixelField(*grid, row, name).field;
        connect(field, &QLineEdit::textEdited, this, [this, type](const QString& text) {
            (model_.*type)(text);
            refresh();
        });
    };
    addRow(0, QStringLiteral("Width"), width_, &ResizeModel::typeWidth);
    addRow(1, QStringLiteral("Height"), height_, &ResizeModel::typeHeight);
    return fields;
}

QWidget* ResizeSheet::buildPercents() {
    QWidget* row = nullptr;
    QHBoxLayout* layout = SheetLook::row(row, this, 6);
    for (std::size_t i = 0; i < percentages.size(); ++i) {
        const int percent = percentages.at(i);
        auto* button = SheetLook::plainButton(QString::number(percent) + QLatin1Char('%'), row);
        button->setAccessibleName(QStringLiteral("Scale to %1 percent").arg(percent));
        connect(button, &QPushButton::clicked, this, [this, percent] {
            model_.apply(percent);
            refresh();
        });
        layout->addWidget(button);
        percents_.at(i) = button;
    }
    layout->addStretch(1);
    return row;
}

void ResizeSheet::refresh() {
    // Typing keeps its place: a field shows the stored side once the edit is taken.
    for (auto [field, side] : {std::pair{width_, model_.width()}, std::pair{height_, model_.height()}}) {
        const QString text = ResizeModel::fieldText(side);
        if (field->text() != text) field->setText(text);
    }
    {
        const QSignalBlocker blocker(lock_);
        lock_->setChecked(model_.lockAspect());
    }
    const auto logical = model_.logicalSize();
    logical_->setVisible(logical.has_value());
    logical_->setText(model_.logicalTitle());
    // Hidden without a logical size, but still named for a reader that lists hidden controls.
    logical_->setAccessibleName(logical ? model_.logicalAccessibilityLabel()
                                        : QStringLiteral("Use logical size"));
    const auto index = std::find(ImageResampler::allQualities.begin(), ImageResampler::allQualities.end(),
                                 model_.quality()) -
                       ImageResampler::allQualities.begin();
    quality_->setCurrentIndex(static_cast<int>(index));
    description_->setText(ImageResampler::description(model_.quality()));
    summary_->setText(model_.summary());
    summary_->setAccessibleName(QStringLiteral("Result: ") + model_.summary());
    const auto problem = model_.problem();
    problem_->setText(problem.value_or(QString()));
    problem_->setVisible(problem.has_value());
    resize_->setEnabled(!problem);
    const EditorDocument* document = document_.data();
    reset_->setEnabled(document != nullptr && document->outputSize().has_value());
}

void ResizeSheet::resizeDocument() {
    const auto size = model_.size();
    EditorDocument* document = document_.data();
    if (document == nullptr || !size) return;
    if (document->setOutputSize(*size, model_.quality())) accept();
}

void ResizeSheet::resetDocument() {
    EditorDocument* document = document_.data();
    if (document == nullptr || !document->outputSize()) return;
    // The crop's own size always fits.
    static_cast<void>(document->setOutputSize(std::nullopt, std::nullopt));
    accept();
}

} // namespace quorvane
