#include "app/DetectedCodesBox.h"

#include "app/OCRController.h"
#include "core/ButtonReturnKey.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace quorvane {

namespace {

constexpr int maximumListHeight = 140;

// Payloads and symbologies come from whatever was scanned: plain text, never links or markup.
QLabel* verbatimLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setOpenExternalLinks(false);
    label->setWordWrap(true);
    return label;
}

} // namespace

DetectedCodesBox::DetectedCodesBox(OCRController& controller, QWidget* parent)
    : QGroupBox(QStringLiteral("Detected Codes"), parent), controller_(controller) {
    ButtonReturnKey::install();
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setMaximumHeight(maximumListHeight);
    // Each row's payload and button take the focus, and the area scrolls to them; the area takes none.
    scroll->setFocusPolicy(Qt::NoFocus);
    rows_ = new QWidget(scroll);
    rowsLayout_ = new QVBoxLayout(rows_);
    rowsLayout_->setContentsMargins(4, 4, 4, 4);
    rowsLayout_->setSpacing(8);
    scroll->setWidget(rows_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroll);
    connect(&controller_, &OCRController::resultChanged, this, &DetectedCodesBox::rebuild);
    rebuild();
}

void DetectedCodesBox::rebuild() {
    while (QLayoutItem* item = rowsLayout_->takeAt(0)) {
        // Later: the row's button may be the one whose click got us here.
        if (QWidget* row = item->widget()) {
            row->hide();
            row->deleteLater();
        }
        delete item;
    }
    const auto& codes = controller_.result().codes;
    for (const RecognizedCode& code : codes) {
        auto* row = new QWidget(rows_);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 0, 0, 0);
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        QLabel* payload = verbatimLabel(code.payload, row);
        payload->setObjectName(QStringLiteral("payload"));
        payload->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        QLabel* symbology = verbatimLabel(code.symbology, row);
        symbology->setObjectName(QStringLiteral("symbology"));
        QFont caption = symbology->font();
        caption.setPointSizeF(caption.pointSizeF() * 0.85);
        symbology->setFont(caption);
        symbology->setForegroundRole(QPalette::PlaceholderText);
        texts->addWidget(payload);
        texts->addWidget(symbology);
        rowLayout->addLayout(texts, 1);
        auto* copy = new QPushButton(QStringLiteral("Copy"), row);
        copy->setToolTip(QStringLiteral("Copy this payload to the clipboard. Quorvane never opens it."));
        const QString label = code.symbology + QStringLiteral(" payload");
        copy->setAccessibleName(QStringLiteral("Copy ") + label);
        connect(copy, &QPushButton::clicked, this,
                [this, payloadText = code.payload, label] { controller_.copy(payloadText, label); });
        rowLayout->addWidget(copy, 0, Qt::AlignTop);
        rowsLayout_->addWidget(row);
    }
    rowsLayout_->addStretch(1);
    setVisible(!codes.empty());
}

} // namespace quorvane
