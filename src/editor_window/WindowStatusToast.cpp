#include "editor_window/WindowStatusToast.h"

#include "canvas/AccessibleGroup.h"
#include "capture/CaptureController.h"
#include "editor_window/ChromeText.h"
#include "editor_window/PointerPassThrough.h"
#include "export/ExportController.h"

#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace quorvane {

namespace {

QPushButton* smallButton(const QString& title, const QString& help, QWidget* parent) {
    auto* button = new QPushButton(title, parent);
    button->setToolTip(help);
    button->setAttribute(Qt::WA_MacSmallSize);
    button->setFont(ChromeText::scaled(button->font(), ChromeText::callout));
    return button;
}

} // namespace

WindowStatusToast::WindowStatusToast(CaptureController& capture, ExportController& exporter,
                                     const AccessibilityOptions& accessibility, const SymbolIcons& icons,
                                     QWidget* parent)
    : QWidget(parent), capture_(capture), exporter_(exporter), accessibility_(accessibility), icons_(icons) {
    AccessibleGroup::expose(*this, QAccessible::Grouping, QStringLiteral("Status"));
    setLayout(new QVBoxLayout);
    layout()->setContentsMargins(0, 0, 0, 0);
    // Shown or not, the place of the toast belongs to the canvas beneath but for its buttons.
    new PointerPassThrough(*this);
    for (auto signal : {&CaptureController::busyChanged, &CaptureController::countingDownChanged,
                        &CaptureController::statusMessageChanged, &CaptureController::errorMessageChanged,
                        &CaptureController::errorIsRetryableChanged})
        connect(&capture_, signal, this, &WindowStatusToast::refresh);
    connect(&exporter_, &ExportController::messageChanged, this, [this] {
        // A capture's own export (its copy or save) reports while the capture still runs, when no
        // toast shows: it must show once the capture is over, or a failure would look like a save.
        if (choice_.kind == StatusToastChoice::Kind::none) exportMessageUnseen_ = true;
        refresh();
    });
    choice_ = StatusToastChoice::choose(capture_, exporter_.message());
    rebuild();
}

void WindowStatusToast::setScheduler(ToastView::Scheduler scheduler) {
    scheduler_ = std::move(scheduler);
    if (toast_ && scheduler_) toast_->setScheduler(scheduler_);
}

void WindowStatusToast::setAvailableWidth(int width) {
    availableWidth_ = width;
    if (toast_) toast_->setAvailableWidth(width);
}

QPushButton* WindowStatusToast::button(const QString& title) const {
    if (!toast_) return nullptr;
    for (QPushButton* button : toast_->findChildren<QPushButton*>())
        if (button->text() == title) return button;
    return nullptr;
}

void WindowStatusToast::refresh() {
    const StatusToastChoice next = StatusToastChoice::choose(capture_, exporter_.message());
    const bool sameCapsule = next.kind == choice_.kind && next.retryable == choice_.retryable;
    choice_ = next;
    if (!sameCapsule) return rebuild();
    if (!toast_) return;
    toast_->setSystemImage(choice_.symbol);
    toast_->setMessage(choice_.message);
    Q_EMIT sizeChanged();
}

void WindowStatusToast::rebuild() {
    // Later: the old capsule's own button may be the one that asked for this.
    if (toast_) {
        toast_->hide();
        layout()->removeWidget(toast_);
        toast_->deleteLater();
        toast_ = nullptr;
    }
    if (choice_.kind != StatusToastChoice::Kind::none) {
        auto* toast = new ToastView(accessibility_, icons_, this);
        if (scheduler_) toast->setScheduler(scheduler_);
        // An error in between makes what came before it old news.
        const bool unseen = std::exchange(exportMessageUnseen_, false) &&
                            choice_.kind == StatusToastChoice::Kind::exportMessage;
        toast->setShowOnAppear(choice_.showOnAppear || unseen);
        toast->setPersistent(choice_.persistent);
        toast->setSystemImage(choice_.symbol);
        toast->setMessage(choice_.message);
        if (QWidget* extra = accessory()) toast->setAccessory(extra);
        toast->setAvailableWidth(availableWidth_);
        if (choice_.kind == StatusToastChoice::Kind::error) {
            QPalette red = toast->palette();
            red.setColor(QPalette::WindowText, QColor(215, 40, 30));
            red.setColor(QPalette::ButtonText, QColor(215, 40, 30));
            toast->setPalette(red);
        }
        layout()->addWidget(toast);
        toast->show();
        toast_ = toast;
    }
    Q_EMIT sizeChanged();
}

QWidget* WindowStatusToast::accessory() {
    using Kind = StatusToastChoice::Kind;
    if (choice_.kind != Kind::countdown && choice_.kind != Kind::error) return nullptr;
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    if (choice_.kind == Kind::countdown) {
        auto* spinner = new QProgressBar(row);
        spinner->setRange(0, 0);
        spinner->setTextVisible(false);
        spinner->setFixedSize(40, 10);
        layout->addWidget(spinner);
        auto* cancel =
            smallButton(QStringLiteral("Cancel"), QStringLiteral("Cancel the running capture"), row);
        connect(cancel, &QPushButton::clicked, &capture_, [this] { capture_.cancel(); });
        layout->addWidget(cancel);
        return row;
    }
    if (choice_.retryable) {
        auto* retry = smallButton(QStringLiteral("Retry"),
                                  QStringLiteral("Refresh capture targets and try again"), row);
        connect(retry, &QPushButton::clicked, &capture_, [this] { capture_.refreshTargets(); });
        layout->addWidget(retry);
    }
    auto* dismiss = smallButton(QStringLiteral("Dismiss"), QStringLiteral("Hide this message"), row);
    connect(dismiss, &QPushButton::clicked, &capture_, [this] { capture_.setErrorMessage(std::nullopt); });
    layout->addWidget(dismiss);
    return row;
}

QSize WindowStatusToast::sizeHint() const {
    const QWidget* toast = toast_;
    return toast != nullptr ? toast->sizeHint() : QSize(0, 0);
}

} // namespace quorvane
