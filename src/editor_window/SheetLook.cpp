#include "editor_window/SheetLook.h"

#include "capture/AreaSelectionView.h"
#include "core/ButtonReturnKey.h"
#include "editor_window/PixelFieldEdit.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane::SheetLook {
namespace {

void smaller(QLabel& label) {
    QFont font = label.font();
    font.setPointSizeF(font.pointSizeF() > 0 ? font.pointSizeF() * 0.85 : 9);
    label.setFont(font);
}

} // namespace

void headline(QLabel& label) {
    QFont font = label.font();
    font.setBold(true);
    if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * 1.15);
    label.setFont(font);
}

void secondary(QLabel& label) {
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    label.setPalette(palette);
}

void caption(QLabel& label) {
    smaller(label);
    secondary(label);
    label.setWordWrap(true);
}

void problem(QLabel& label) {
    smaller(label);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, QColor(215, 0, 21));
    label.setPalette(palette);
    label.setWordWrap(true);
    label.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label.setMinimumHeight(30);
}

QFont digitFont(const QFont& font) {
    if (AreaSelectionView::hasTabularDigits(font)) return font;
    // The area picker's pill already knows which installed family has steady digits.
    QFont steady = font;
    steady.setFamilies(AreaSelectionView::pillFont(font).families());
    return steady;
}

QGridLayout* fieldGrid(QWidget& fields) {
    auto* grid = new QGridLayout(&fields);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    grid->setColumnStretch(3, 1);
    return grid;
}

PixelField pixelField(QGridLayout& grid, int row, const QString& name) {
    QWidget* parent = grid.parentWidget();
    auto* label = new QLabel(name + QLatin1Char(':'), parent);
    auto* field = new PixelFieldEdit(name, parent);
    field->setFixedWidth(90);
    field->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    field->setFont(digitFont(field->font()));
    field->setAccessibleName(name + QStringLiteral(" in pixels"));
    label->setBuddy(field);
    auto* unit = new QLabel(QStringLiteral("px"), parent);
    secondary(*unit);
    grid.addWidget(label, row, 0);
    grid.addWidget(field, row, 1);
    grid.addWidget(unit, row, 2);
    return {label, field};
}

QVBoxLayout* column(QDialog& sheet, const QString& title) {
    sheet.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&sheet);
    layout->setSpacing(12);
    layout->setContentsMargins(20, 20, 20, 20);
    auto* label = new QLabel(title, &sheet);
    headline(*label);
    layout->addWidget(label);
    return layout;
}

QHBoxLayout* row(QWidget*& widget, QWidget* parent, int spacing) {
    widget = new QWidget(parent);
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    if (spacing >= 0) layout->setSpacing(spacing);
    return layout;
}

void resultLines(QDialog& sheet, QVBoxLayout& column, QLabel*& summary, QLabel*& problemLine) {
    summary = new QLabel(&sheet);
    summary->setFont(digitFont(summary->font()));
    column.addWidget(summary);
    problemLine = new QLabel(&sheet);
    problem(*problemLine);
    column.addWidget(problemLine);
}

QPushButton* plainButton(const QString& title, QWidget* parent) {
    ButtonReturnKey::install();
    auto* button = new QPushButton(title, parent);
    button->setAutoDefault(false);
    return button;
}

QPushButton* closingRow(QDialog& sheet, QVBoxLayout& column, QPushButton* leading, QPushButton* confirm) {
    QWidget* widget = nullptr;
    QHBoxLayout* layout = row(widget, &sheet);
    auto* cancel = plainButton(QStringLiteral("Cancel"), widget);
    QObject::connect(cancel, &QPushButton::clicked, &sheet, &QDialog::reject);
    confirm->setDefault(true);
    if (leading != nullptr) layout->addWidget(leading);
    layout->addStretch(1);
    layout->addWidget(cancel);
    layout->addWidget(confirm);
    column.addWidget(widget);
    return cancel;
}

} // namespace quorvane::SheetLook
