#include "scrolling/ScrollHUDView.h"

#include "core/ComboBoxAccessible.h"
#include "scrolling/ScrollHUDPreviewBox.h"
#include "scrolling/ScrollHUDStatusLine.h"
#include "scrolling/ScrollHUDText.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvane {
namespace {

constexpr double panelRadius = 12;
constexpr int controlHeight = 24;

QFont scaledFont(const QFont& base, double factor, bool bold = false) {
    QFont font = base;
    font.setPointSizeF(base.pointSizeF() * factor);
    font.setBold(bold);
    return font;
}

void setTextColor(QWidget& widget, const QColor& color) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, color);
    widget.setPalette(palette);
}

QString speedTitle(AutoScrollSpeed speed) {
    switch (speed) {
    case AutoScrollSpeed::slow:
        return QStringLiteral("Slow");
    case AutoScrollSpeed::normal:
        return QStringLiteral("Normal");
    case AutoScrollSpeed::fast:
        return QStringLiteral("Fast");
    }
    return {};
}

// Shows `tip` on `button` and gives assistive technology, which says the name already, only what
// the tip adds: "Needs Accessibility" of "Scroll up automatically (needs Accessibility)".
void setHelp(QPushButton& button, const QString& tip) {
    button.setToolTip(tip);
    const QString name = button.accessibleName();
    QString beyond = tip.startsWith(name, Qt::CaseInsensitive) ? tip.mid(name.size()).trimmed() : tip;
    if (beyond.startsWith(u'(') && beyond.endsWith(u')')) beyond = beyond.mid(1, beyond.size() - 2);
    if (!beyond.isEmpty()) beyond[0] = beyond[0].toUpper();
    button.setAccessibleDescription(beyond);
}

} // namespace

ScrollHUDView::ScrollHUDView(ScrollHUDModel& model, std::function<bool()> reduceMotion, QWidget* parent)
    : QWidget(parent), model_(model), reduceMotion_(std::move(reduceMotion)) {
    setAccessibleName(QStringLiteral("Scrolling Capture"));
    preview_ = new ScrollHUDPreviewBox(this);
    title_ = new QLabel(this);
    title_->setFont(scaledFont(font(), 1.1, true));
    counts_ = new QLabel(this);
    counts_->setFont(scaledFont(font(), 0.9));
    status_ = new ScrollHUDStatusLine(this);
    status_->setFont(scaledFont(font(), 0.9));
    auto* fade = new QGraphicsOpacityEffect(status_);
    fade->setOpacity(1);
    status_->setGraphicsEffect(fade);
    statusFade_ = new QPropertyAnimation(fade, "opacity", this);
    statusFade_->setDuration(150);
    statusFade_->setEasingCurve(QEasingCurve::OutCubic);
    hint_ = new QLabel(ScrollHUDText::dragHintText(), this);
    hint_->setFont(scaledFont(font(), 0.8));

    auto* text = new QVBoxLayout;
    text->addWidget(title_);
    text->addWidget(counts_);
    text->addWidget(status_);
    text->addStretch(1);
    auto* top = new QHBoxLayout;
    top->setAlignment(Qt::AlignTop);
    top->addWidget(preview_, 0, Qt::AlignTop);
    top->addLayout(text, 1);
    auto* column = new QVBoxLayout(this);
    column->setSpacing(8);
    column->addLayout(top);
    column->addWidget(controls_ = makeControls());
    column->addWidget(hint_);
    column->addStretch(1);

    connect(&model_, &ScrollHUDModel::changed, this, &ScrollHUDView::refresh);
    connect(&model_, &ScrollHUDModel::statusChanged, this, &ScrollHUDView::animateStatus);
    refresh();
}

QPushButton* ScrollHUDView::makeButton(const QString& text, const QString& hint) {
    auto* button = new QPushButton(text, this);
    // The panel never takes the keyboard: a click acts at once and leaves the focus where it is.
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedHeight(controlHeight);
    button->setAccessibleDescription(hint);
    return button;
}

QWidget* ScrollHUDView::makeControls() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    stopAuto_ = makeButton(QStringLiteral("Stop Auto"),
                           QStringLiteral("Stops automatic scrolling; you can keep scrolling manually"));
    autoDown_ = makeButton(QStringLiteral("Auto ↓"), {});
    autoDown_->setAccessibleName(QStringLiteral("Scroll down automatically"));
    setHelp(*autoDown_, QStringLiteral("Scroll down automatically (needs Accessibility)"));
    autoUp_ = makeButton(QStringLiteral("Auto ↑"), {});
    autoUp_->setAccessibleName(QStringLiteral("Scroll up automatically"));
    ComboBoxAccessible::install();
    speed_ = new QComboBox(row);
    speed_->setFocusPolicy(Qt::NoFocus);
    speed_->setFixedHeight(controlHeight);
    speed_->setToolTip({});
    speed_->setAccessibleName(QStringLiteral("Automatic scrolling speed"));
    speed_->view()->setAccessibleName(speed_->accessibleName());
    for (AutoScrollSpeed speed : allAutoScrollSpeeds)
        speed_->addItem(speedTitle(speed), static_cast<int>(speed));
    allowAccess_ = makeButton(QStringLiteral("Allow Access…"), {});
    allowAccess_->setAccessibleName(QStringLiteral("Allow Accessibility"));
    // X11 has no accessibility settings page of its own: the desktop's is named instead.
    allowAccess_->setToolTip(
        QStringLiteral("Shows the system prompt; press again to open the desktop's accessibility settings"));
    cancel_ = makeButton(QStringLiteral("Cancel"), QStringLiteral("Stops capturing and discards the frames"));
    finish_ = makeButton(QStringLiteral("Finish"), QStringLiteral("Stops capturing and opens the stitched image"));
    finish_->setDefault(true);
    for (QWidget* control : {static_cast<QWidget*>(stopAuto_), static_cast<QWidget*>(autoDown_),
                             static_cast<QWidget*>(autoUp_), static_cast<QWidget*>(speed_),
                             static_cast<QWidget*>(allowAccess_)})
        layout->addWidget(control);
    layout->addStretch(1);
    layout->addWidget(cancel_);
    layout->addWidget(finish_);

    connect(stopAuto_, &QPushButton::clicked, &model_, &ScrollHUDModel::stopAutoRequested);
    connect(autoDown_, &QPushButton::clicked, this, [this] { Q_EMIT model_.autoRequested(AutoScrollDirection::down); });
    connect(autoUp_, &QPushButton::clicked, this, [this] { Q_EMIT model_.autoRequested(AutoScrollDirection::up); });
    connect(allowAccess_, &QPushButton::clicked, &model_, &ScrollHUDModel::accessRequested);
    connect(cancel_, &QPushButton::clicked, &model_, &ScrollHUDModel::cancelRequested);
    connect(finish_, &QPushButton::clicked, &model_, &ScrollHUDModel::finishRequested);
    connect(speed_, &QComboBox::activated, this, [this](int index) {
        const auto picked = static_cast<AutoScrollSpeed>(speed_->itemData(index).toInt());
        Q_EMIT model_.speedPicked(picked);
        // The picker shows the speed the controller stored, which may be the old one.
        refresh();
    });
    return row;
}

void ScrollHUDView::refresh() {
    const ScrollHUDModel& m = model_;
    const bool drag = m.dragMode();
    setFixedSize(ScrollHUDText::panelSize(m));
    auto* column = static_cast<QVBoxLayout*>(layout());
    const int padding = drag ? 10 : 12;
    column->setContentsMargins(padding, padding, padding, padding);
    auto* top = static_cast<QHBoxLayout*>(column->itemAt(0)->layout());
    top->setSpacing(drag ? 10 : 12);
    static_cast<QVBoxLayout*>(top->itemAt(1)->layout())->setSpacing(drag ? 2 : 4);
    preview_->setFixedSize(drag ? QSize(52, 68) : QSize(70, 80));
    preview_->setContent(m.preview(), m.orientation(), m.height());

    title_->setText(ScrollHUDText::title(m));
    counts_->setText(ScrollHUDText::counts(m.frames(), m.height()));
    counts_->setAccessibleName(ScrollHUDText::countsAccessible(m.frames(), m.height()));
    status_->setStatus(m.status());
    QColor secondary = palette().color(QPalette::WindowText);
    secondary.setAlphaF(0.6f);
    setTextColor(*counts_, secondary);
    setTextColor(*status_, ScrollHUDText::warning(m) ? warningColor() : secondary);
    setTextColor(*hint_, secondary);

    controls_->setVisible(!drag);
    const bool running = m.autoDirection().has_value();
    stopAuto_->setVisible(running);
    autoDown_->setVisible(!running);
    autoUp_->setVisible(!running);
    speed_->setVisible(!running && !m.needsAccess());
    allowAccess_->setVisible(!running && m.needsAccess());
    autoDown_->setEnabled(!m.finishing() && m.canAutoDown());
    autoUp_->setEnabled(!m.finishing() && m.canAutoUp());
    setHelp(*autoUp_, ScrollHUDText::autoUpHelp(m));
    {
        const QSignalBlocker blocker(speed_);
        speed_->setCurrentIndex(speed_->findData(static_cast<int>(m.speed())));
    }
    finish_->setEnabled(!m.finishing() && m.frames() != 0);
    hint_->setVisible(m.dragHint());
}

void ScrollHUDView::animateStatus() {
    statusFade_->stop();
    if (reduceMotion_ && reduceMotion_()) return;
    statusFade_->setStartValue(0.35);
    statusFade_->setEndValue(1.0);
    statusFade_->start();
}

void ScrollHUDView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(bounds, panelRadius, panelRadius);
    painter.fillPath(shape, palette().color(QPalette::Window));
    QColor border = palette().color(QPalette::WindowText);
    border.setAlphaF(0.15f);
    painter.setPen(QPen(border, 1));
    painter.drawPath(shape);
}

} // namespace quorvane
