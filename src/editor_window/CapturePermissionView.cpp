#include "editor_window/CapturePermissionView.h"

#include "capture/CaptureController.h"
#include "editor_window/SymbolIcons.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {

namespace {

QLabel* callout(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

} // namespace

CapturePermissionView::CapturePermissionView(CaptureController& model, const SymbolIcons& icons,
                                             QWidget* parent)
    : QGroupBox(QStringLiteral("Screen Recording"), parent), model_(model), icons_(icons) {
    // Only the title is bold: the others' weight is set, or they would take the box's.
    QFont plain = font();
    plain.setBold(false);
    QFont headline = plain;
    headline.setBold(true);
    setFont(headline);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(8, 8, 8, 8);
    stack->setSpacing(10);
    auto* stateRow = new QHBoxLayout;
    stateIcon_ = new QLabel(this);
    state_ = new QLabel(this);
    state_->setFont(plain);
    stateRow->addWidget(stateIcon_);
    stateRow->addWidget(state_, 1);
    stack->addLayout(stateRow);
    auto* explanation =
        callout(QStringLiteral("Quorvane captures still images of a display or window. Basic capture "
                               "uses Screen Recording permission, without audio or Accessibility "
                               "access."),
                this);
    explanation->setFont(plain);
    stack->addWidget(explanation);
    auto* buttons = new QHBoxLayout;
    allow_ = new QPushButton(QStringLiteral("Allow Screen Recording"), this);
    allow_->setFont(plain);
    connect(allow_, &QPushButton::clicked, &model_, [this] { model_.requestPermission(); });
    buttons->addWidget(allow_);
    buttons->addStretch(1);
    stack->addLayout(buttons);
    hint_ = callout(
        QStringLiteral("Enable Quorvane for screen recording in your desktop settings. If the desktop "
                       "asks, quit and reopen Quorvane, then retry capture."),
        this);
    hint_->setFont(plain);
    stack->addWidget(hint_);

    connect(&model_, &CaptureController::permissionGrantedChanged, this, &CapturePermissionView::refresh);
    connect(&model_, &CaptureController::busyChanged, this, &CapturePermissionView::refresh);
    refresh();
}

void CapturePermissionView::refresh() {
    const bool granted = model_.permissionGranted();
    symbol_ = granted ? QStringLiteral("checkmark.circle") : QStringLiteral("lock");
    const QColor color = palette().color(QPalette::WindowText);
    stateIcon_->setPixmap(icons_.icon(symbol_, color, color).pixmap(16, 16));
    state_->setText(granted ? QStringLiteral("Access granted")
                            : QStringLiteral("Access required to capture your screen"));
    allow_->setVisible(!granted);
    allow_->setEnabled(!model_.isBusy());
    hint_->setVisible(!granted);
}

} // namespace quorvane
