#include "panels/HomeView.h"

#include "canvas/AccessibleGroup.h"
#include "capture/CaptureController.h"
#include "core/ButtonReturnKey.h"
#include "editor_window/IconButton.h"
#include "editor_window/SymbolIcons.h"
#include "editor_window/WindowDragArea.h"
#include "export/ExportController.h"
#include "panels/CaptureTile.h"
#include "panels/Divider.h"
#include "panels/PermissionBanner.h"
#include "panels/QuorvaneArt.h"
#include "panels/QuorvaneBackdrop.h"

#include <QApplication>
#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

namespace quorvane {
namespace {

using Command = ShortcutTextSource::Command;

struct TileSpec {
    HomeView::Tile tile;
    const char* title;
    const char* symbol;
    std::optional<Command> shortcut;
};
constexpr TileSpec tileSpecs[] = {
    {HomeView::Tile::area, "Area", "viewfinder", Command::captureArea},
    {HomeView::Tile::screen, "Screen", "display", Command::captureScreen},
    {HomeView::Tile::window, "Window", "macwindow", std::nullopt},
    {HomeView::Tile::text, "Text", "text.viewfinder", Command::recognizeArea},
};
constexpr int delays[] = {0, 3, 5};

} // namespace

HomeView::HomeView(CaptureController& model, ExportController& exporter, ShortcutTextSource& shortcuts,
                   const SymbolIcons& icons, TitlebarInset inset, QWidget* parent)
    : QWidget(parent), model_(model), exporter_(exporter), shortcuts_(shortcuts), icons_(icons) {
    ButtonReturnKey::install();
    // Unnamed as before, less its decorations: the artwork, the logo and the divider.
    AccessibleGroup::expose(*this, QAccessible::Client, QString());
    backdrop_ = new QuorvaneBackdrop(this);
    AccessibleGroup::markDecoration(*backdrop_);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(makeHeader(inset));
    auto* main = new QVBoxLayout;
    main->setContentsMargins(14, 2, 14, 10);
    main->setSpacing(12);
    main->addWidget(makeGrid());
    main->addWidget(makeDelayRow());
    banner_ = new PermissionBanner(model_, icons_, this);
    main->addWidget(banner_);
    main->addStretch(1);
    QFrame* divider = makeDivider(this);
    AccessibleGroup::markDecoration(*divider);
    main->addWidget(divider);
    main->addWidget(makeBottomRow());
    column->addLayout(main, 1);
    backdrop_->lower();

    for (auto signal : {&CaptureController::busyChanged, &CaptureController::canRepeatAreaChanged,
                        &CaptureController::permissionGrantedChanged,
                        &CaptureController::previousDocumentChanged, &CaptureController::captureDelayChanged})
        connect(&model_, signal, this, &HomeView::refresh);
    connect(&exporter_, &ExportController::lastURLChanged, this, &HomeView::refresh);
    connect(&shortcuts_, &ShortcutTextSource::changed, this, &HomeView::refresh);
    refresh();
}

HomeView::~HomeView() {
    // Hand the keyboard back while every child still stands: listeners of the focus change walk
    // the window's widgets, and children that are being deleted are no longer whole.
    if (QWidget* focus = QApplication::focusWidget(); focus != nullptr && isAncestorOf(focus))
        focus->clearFocus();
}

QWidget* HomeView::makeHeader(TitlebarInset inset) {
    auto* header = new WindowDragArea(this);
    header_ = header;
    AccessibleGroup::expose(*header, QAccessible::Client, QString());
    header->setFixedHeight(int(std::max(inset.top, double(headerHeight))));
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(int(inset.leading) + headerLeading, 0, 12, 0);
    row->setSpacing(6);
    auto* icon = new QLabel(header);
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull()) appIcon = QuorvaneArt::menuBarIcon(colorScheme(palette()));
    icon->setPixmap(appIcon.pixmap(20, 20));
    icon->setFixedSize(20, 20);
    icon->setAttribute(Qt::WA_TransparentForMouseEvents);
    AccessibleGroup::markDecoration(*icon);
    row->addWidget(icon);
    auto* title = new QLabel(QStringLiteral("Quorvane"), header);
    QFont headline = title->font();
    headline.setBold(true);
    title->setFont(headline);
    title->setAttribute(Qt::WA_TransparentForMouseEvents);
    row->addWidget(title);
    row->addStretch(1);
    settings_ = new IconButton(
        icons_, QStringLiteral("gearshape"), QStringLiteral("Settings"),
        [this] { Q_EMIT settingsRequested(); }, header);
    row->addWidget(settings_);
    return header;
}

QWidget* HomeView::makeGrid() {
    grid_ = new QWidget(this);
    auto* layout = new QGridLayout(grid_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    int index = 0;
    for (const TileSpec& spec : tileSpecs) {
        auto* tile =
            new CaptureTile(icons_, QString::fromLatin1(spec.symbol), QString::fromLatin1(spec.title), grid_);
        tiles_[spec.tile] = tile;
        layout->addWidget(tile, index / 2, index % 2);
        ++index;
    }
    CaptureController* model = &model_;
    connect(tiles_[Tile::area], &QAbstractButton::clicked, model, [model] { model->captureArea(); });
    connect(tiles_[Tile::screen], &QAbstractButton::clicked, model, [model] { model->captureDisplay(); });
    connect(tiles_[Tile::window], &QAbstractButton::clicked, model, [model] {
        // The picker opens at once and shows "Looking for windows…" until the list arrives.
        model->setChoosingWindow(true);
        model->refreshTargets();
    });
    connect(tiles_[Tile::text], &QAbstractButton::clicked, model, [model] { model->captureOCRArea(); });
    return grid_;
}

QWidget* HomeView::makeDelayRow() {
    delayRow_ = new QWidget(this);
    auto* row = new QHBoxLayout(delayRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    auto* picker = new QWidget(delayRow_);
    picker->setAccessibleName(QStringLiteral("Capture delay"));
    picker->setToolTip(QStringLiteral("Delay before capturing"));
    auto* segments = new QHBoxLayout(picker);
    segments->setContentsMargins(0, 0, 0, 0);
    segments->setSpacing(0);
    delay_ = new QButtonGroup(picker);
    for (int seconds : delays) {
        auto* segment = new QPushButton(seconds == 0 ? QStringLiteral("No delay")
                                                     : QString::number(seconds) + QStringLiteral(" s"),
                                        picker);
        segment->setCheckable(true);
        segment->setToolTip(picker->toolTip());
        segments->addWidget(segment, 1);
        delay_->addButton(segment, seconds);
    }
    connect(delay_, &QButtonGroup::idClicked, &model_, &CaptureController::setCaptureDelay);
    row->addWidget(picker, 1);
    repeat_ = new IconButton(
        icons_, QStringLiteral("arrow.counterclockwise"), QStringLiteral("Repeat Area"),
        [model = &model_] { model->repeatArea(); }, delayRow_);
    row->addWidget(repeat_);
    return delayRow_;
}

QWidget* HomeView::makeBottomRow() {
    bottomRow_ = new QWidget(this);
    auto* row = new QHBoxLayout(bottomRow_);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    open_ = new QToolButton(bottomRow_);
    open_->setText(QStringLiteral("Open Image…"));
    const QColor ink = palette().color(QPalette::WindowText);
    open_->setIcon(
        icons_.icon(QStringLiteral("photo"), ink, palette().color(QPalette::Disabled, QPalette::WindowText)));
    open_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    open_->setAutoRaise(true);
    connect(open_, &QToolButton::clicked, this, &HomeView::openImageRequested);
    row->addWidget(open_);
    row->addStretch(1);
    reopen_ = new IconButton(
        icons_, QStringLiteral("clock.arrow.circlepath"), QStringLiteral("Reopen Last Export"),
        [exporter = &exporter_] { exporter->reopenLast(); }, bottomRow_);
    reopen_->setToolTip(QStringLiteral("Reopen the last exported image"));
    row->addWidget(reopen_);
    restore_ = new IconButton(
        icons_, QStringLiteral("arrow.uturn.backward.circle"), QStringLiteral("Restore Previous"),
        [model = &model_] { model->restorePreviousDocument(); }, bottomRow_);
    restore_->setToolTip(QStringLiteral("Restore the previous screenshot"));
    row->addWidget(restore_);
    return bottomRow_;
}

QAbstractButton* HomeView::delaySegment(int seconds) const {
    return delay_->button(seconds);
}

QString HomeView::withShortcut(const QString& text, Command command) const {
    const std::optional<QString> shortcut = shortcuts_.text(command);
    return shortcut ? text + QStringLiteral(" (") + *shortcut + QStringLiteral(")") : text;
}

void HomeView::refresh() {
    const bool busy = model_.isBusy();
    for (const TileSpec& spec : tileSpecs)
        tiles_[spec.tile]->setShortcutText(spec.shortcut ? shortcuts_.text(*spec.shortcut) : std::nullopt);
    settings_->setToolTip(withShortcut(QStringLiteral("Settings"), Command::showSettings));
    settings_->setAccessibleName(settings_->toolTip());
    open_->setToolTip(
        withShortcut(QStringLiteral("Open a PNG, JPEG, HEIC, TIFF, GIF, or BMP image to annotate"),
                     Command::openImage) +
        QStringLiteral(", or drop one on this window"));
    repeat_->setToolTip(withShortcut(QStringLiteral("Capture the last area again"), Command::repeatArea));
    grid_->setEnabled(!busy);
    delayRow_->setEnabled(!busy);
    bottomRow_->setEnabled(!busy);
    if (QAbstractButton* segment = delay_->button(model_.captureDelay())) segment->setChecked(true);
    repeat_->setVisible(model_.canRepeatArea());
    banner_->setVisible(!model_.permissionGranted());
    reopen_->setVisible(!exporter_.lastURL().isEmpty());
    restore_->setVisible(model_.previousDocument() != nullptr);
}

void HomeView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    backdrop_->setGeometry(rect());
}

} // namespace quorvane
