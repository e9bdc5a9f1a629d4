#include "editor_window/EditorStatusBar.h"

#include "canvas/AccessibleGroup.h"
#include "canvas/EditorCanvasSettings.h"
#include "document/DigitFont.h"
#include "document/EditorDocument.h"
#include "editor_window/ChromeAccessible.h"
#include "editor_window/ChromeText.h"
#include "editor_window/CompactButton.h"
#include "editor_window/FileDragHandle.h"
#include "editor_window/IconButton.h"
#include "editor_window/MenuButton.h"
#include "editor_window/StatusBarText.h"
#include "editor_window/StatusContextBar.h"
#include "editor_window/SymbolIcons.h"
#include "editor_window/ValueIconButton.h"
#include "editor_window/ZoomMenu.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QToolButton>

namespace quorvane {

namespace {

const QString reviewRefusal = QStringLiteral("Apply or cancel Redact Text first");

QString withShortcut(const QString& text, QKeyCombination keys) {
    return text + QStringLiteral(" (") + ChromeText::shortcut(keys) + QLatin1Char(')');
}

} // namespace

EditorStatusBar::EditorStatusBar(EditorDocument& document, EditorCanvasSettings& settings,
                                 EditorActions actions, std::function<void()> recognize,
                                 ContextBarHosts hosts, Services services, QWidget* parent)
    : QWidget(parent), document_(&document), settings_(settings), actions_(std::move(actions)),
      services_(services) {
    ChromeAccessible::install();
    AccessibleGroup::expose(*this, QAccessible::StatusBar, QStringLiteral("Status bar"));
    setFixedHeight(height);
    setAutoFillBackground(true);
    setFont(ChromeText::scaled(font(), ChromeText::callout));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 0, 10, 0);
    row->setSpacing(8);
    const SymbolIcons& icons = services_.icons;

    size_ = new QPushButton(this);
    size_->setFlat(true);
    CompactButton::showKeyboardFocus(*size_);
    size_->setFont(tabularDigitFont(font()));
    size_->setForegroundRole(QPalette::PlaceholderText);
    size_->setToolTip(QStringLiteral("Image size in pixels. Click to resize the exported image (") +
                      ChromeText::shortcut(Qt::CTRL | Qt::ALT | Qt::Key_I) + QStringLiteral(")."));
    connect(size_, &QPushButton::clicked, this, [this] { actions_.resizeImage(); });
    row->addWidget(size_);
    row->addWidget(new ZoomMenu(settings_, icons, this));

    context_ = new StatusContextBar(document, settings_, std::move(hosts), services_.clipboard, icons, this);
    row->addWidget(context_, 1);

    backdrop_ = new ValueIconButton(
        icons, QStringLiteral("photo.artframe"),
        withShortcut(QStringLiteral("Backdrop: background, padding, corners, and shadow"),
                     Qt::CTRL | Qt::ALT | Qt::Key_B),
        [this] { actions_.editBackdrop(); }, this);
    row->addWidget(backdrop_);
    pin_ = new IconButton(
        icons, QStringLiteral("pin"),
        withShortcut(QStringLiteral("Pin screenshot above other windows"), Qt::CTRL | Qt::SHIFT | Qt::Key_P),
        [this] { actions_.pin(); }, this);
    row->addWidget(pin_);
    recognize_ = new IconButton(
        icons, QStringLiteral("text.viewfinder"),
        QStringLiteral("Recognize text: drag over an area, or press Return for the whole image"),
        std::move(recognize), this);
    row->addWidget(recognize_);

    progress_ = new QProgressBar(this);
    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->setFixedSize(16, 16);
    progress_->setToolTip(QStringLiteral("Exporting the image…"));
    progress_->setAccessibleName(QStringLiteral("Exporting the image"));
    // Not the tool tip, which only repeats the name.
    progress_->setAccessibleDescription(QStringLiteral("Copy and Save wait until it is done"));
    row->addWidget(progress_);

    copy_ = new QPushButton(icons.icon(QStringLiteral("doc.on.doc"), palette().color(QPalette::ButtonText),
                                       palette().color(QPalette::Disabled, QPalette::ButtonText)),
                            QStringLiteral("Copy"), this);
    copy_->setAccessibleName(QStringLiteral("Copy Image"));
    CompactButton::allowShrinking(*copy_);
    connect(copy_, &QPushButton::clicked, this, [this] { actions_.copy(); });
    row->addWidget(copy_);

    save_ = new QToolButton(this);
    // First: it makes the button a menu button to assistive technology, which may ask at the next line.
    save_->setPopupMode(QToolButton::MenuButtonPopup);
    save_->setText(QStringLiteral("Save"));
    save_->setIcon(icons.icon(QStringLiteral("square.and.arrow.down"), palette().color(QPalette::ButtonText),
                              palette().color(QPalette::Disabled, QPalette::ButtonText)));
    save_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    save_->setAccessibleName(QStringLiteral("Save Image"));
    auto* menu = new QMenu(save_);
    menu->setAccessibleName(QStringLiteral("Save options"));
    menu->addAction(QStringLiteral("Save Image As…"), this, [this] { actions_.saveAs(); });
    save_->setMenu(menu);
    connect(save_, &QToolButton::clicked, this, [this] { actions_.save(); });
    // Down opens its menu, as it opens the other menu buttons'.
    MenuButton::openOnDown(*save_);
    row->addWidget(save_);

    for (auto signal : {&EditorDocument::cropRectChanged, &EditorDocument::outputSizeChanged,
                        &EditorDocument::backdropChanged})
        connect(&document, signal, this, &EditorStatusBar::refresh);
    connect(&document, &EditorDocument::revisionChanged, this, &EditorStatusBar::refresh);
    connect(&settings_.modes(), &PaneModes::textRedactionChanged, this, &EditorStatusBar::refresh);
    setActions(actions_);
}

void EditorStatusBar::setActions(EditorActions actions) {
    actions_ = std::move(actions);
    if (actions_.dragExporter != nullptr && dragHandle_ == nullptr) {
        dragHandle_ = new FileDragHandle(
            *actions_.dragExporter, [this] { return dragImage(); }, services_.beeper, services_.icons,
            QStringLiteral("square.and.arrow.up.on.square"),
            QStringLiteral("Drag the image into another app"), this);
        auto* row = static_cast<QHBoxLayout*>(layout());
        row->insertWidget(row->indexOf(progress_), dragHandle_);
    } else if (actions_.dragExporter == nullptr && dragHandle_ != nullptr) {
        // Not while its own drag is still running: it checks itself after the drag returns.
        dragHandle_->hide();
        dragHandle_->deleteLater();
        dragHandle_ = nullptr;
    }
    if (dragHandle_ != nullptr) dragHandle_->setExporter(*actions_.dragExporter);
    refresh();
}

bool EditorStatusBar::reviewOpen() const {
    return settings_.modes().textRedaction() != nullptr;
}

std::optional<QImage> EditorStatusBar::dragImage() {
    const EditorDocument* document = document_;
    if (document == nullptr) return std::nullopt;
    if (document->textRedactionReview() != nullptr) {
        const QString refusal = reviewRefusal + QLatin1Char('.');
        settings_.modes().setMessage(refusal);
        settings_.announce(refusal);
        return std::nullopt;
    }
    auto image = EditorDocument::renderOutput(document->output(document->annotations()));
    if (!image) return std::nullopt;
    return *image;
}

void EditorStatusBar::refresh() {
    const EditorDocument* document = document_;
    if (document == nullptr) return;
    const QRectF crop = document->cropRect();
    const QSizeF finalSize = document->finalPixelSize();
    size_->setText(StatusBarText::size(crop, finalSize));
    CompactButton::allowShrinking(*size_);
    size_->setAccessibleName(StatusBarText::sizeDescription(crop, finalSize));
    backdrop_->setAccessibilityValue(document->backdrop() ? QStringLiteral("On") : QStringLiteral("None"));

    const bool review = reviewOpen();
    pin_->setEnabled(!review);
    progress_->setVisible(actions_.exporting);
    copy_->setEnabled(!review && !actions_.exporting);
    save_->setEnabled(!review && !actions_.exporting);
    copy_->setToolTip(review ? reviewRefusal
                             : withShortcut(QStringLiteral("Copy Image"), Qt::CTRL | Qt::Key_C));
    save_->setToolTip(review ? reviewRefusal
                             : QStringLiteral("Save Image (") + ChromeText::shortcut(Qt::CTRL | Qt::Key_S) +
                                   QStringLiteral("). Hold the arrow for Save As (") +
                                   ChromeText::shortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_S) +
                                   QStringLiteral(")."));
    ChromeAccessible::describeBeyondName(*copy_);
    ChromeAccessible::describeBeyondName(*save_);
}

} // namespace quorvane
