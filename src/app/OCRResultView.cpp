#include "app/OCRResultView.h"

#include "app/DetectedCodesBox.h"
#include "app/LanguageNames.h"
#include "app/OCRController.h"
#include "core/ButtonReturnKey.h"
#include "core/ComboBoxAccessible.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextDocument>
#include <QVBoxLayout>

namespace quorvane {

namespace {

QFont scaledFont(const QWidget& widget, double factor, QFont::Weight weight = QFont::Normal) {
    QFont font = widget.font();
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setWeight(weight);
    return font;
}

// Texts shown here come from the controller (sources, messages, failures) or from the image:
// always plain, never links.
QLabel* plainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setOpenExternalLinks(false);
    return label;
}

// A row of widgets without margins of its own, in a widget of `parent`.
QHBoxLayout* flatRow(QWidget*& row, QWidget* parent) {
    row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}

// A button with its help text that calls `action` of the controller.
QPushButton* actionButton(const QString& text, const QString& help, QWidget* parent,
                          OCRController& controller, void (OCRController::*action)()) {
    auto* button = new QPushButton(text, parent);
    button->setToolTip(help);
    QObject::connect(button, &QPushButton::clicked, &controller, action);
    return button;
}

// The text area's ground: the text-background colour in a rounded rectangle, around the text.
class TextBackground : public QWidget {
public:
    explicit TextBackground(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(QPalette::Base));
        painter.drawRoundedRect(QRectF(rect()), 6, 6);
    }
};

} // namespace

OCRResultView::OCRResultView(OCRController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    ButtonReturnKey::install();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(12);
    layout->addWidget(makeHeader());

    auto* area = new TextBackground(this);
    auto* areaLayout = new QVBoxLayout(area);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    text_ = new QPlainTextEdit(area);
    text_->setReadOnly(true);
    // Named as the control: the words are read through its text, never as its name, which a
    // screen reader says each time the area takes the focus.
    text_->setAccessibleName(QStringLiteral("Recognized text"));
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The ground is the rounded rectangle behind; the text keeps 8 points from its edges.
    text_->setFrameShape(QFrame::NoFrame);
    text_->viewport()->setAutoFillBackground(false);
    text_->setBackgroundVisible(false);
    text_->document()->setDocumentMargin(8);
    // Qt lists the scroll area's plumbing beside the text: the page the text shows on, and the
    // scroll bars.
    text_->viewport()->setAccessibleName(QStringLiteral("Recognized text page"));
    text_->verticalScrollBar()->setAccessibleName(QStringLiteral("Vertical scroll bar"));
    text_->horizontalScrollBar()->setAccessibleName(QStringLiteral("Horizontal scroll bar"));
    areaLayout->addWidget(text_);
    layout->addWidget(area, 1);

    layout->addWidget(makeControls());
    QLabel* note = plainLabel(QStringLiteral("Language changes apply to the next recognition."), this);
    note->setFont(scaledFont(*note, 0.85));
    note->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(note);
    status_ = plainLabel({}, this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setFont(scaledFont(*status_, 0.95));
    status_->setWordWrap(true);
    layout->addWidget(status_);
    layout->addWidget(makeFailure());
    codes_ = new DetectedCodesBox(controller_, this);
    layout->addWidget(codes_);

    connect(&controller_, &OCRController::stateChanged, this, &OCRResultView::showState);
    connect(&controller_, &OCRController::sourceChanged, this, &OCRResultView::showState);
    connect(&controller_, &OCRController::resultChanged, this, &OCRResultView::showText);
    connect(&controller_, &OCRController::joinLinesChanged, this, &OCRResultView::showText);
    connect(&controller_, &OCRController::languageChanged, this, &OCRResultView::showLanguage);
    connect(&controller_, &OCRController::messageChanged, this, &OCRResultView::showMessage);
    showState();
    showText();
    showLanguage();
}

QString OCRResultView::placeholder(const OCRController& controller) {
    switch (controller.state()) {
    case OCRController::State::running:
        return QString::fromUtf8(OCRController::runningMessage);
    case OCRController::State::finished:
        return controller.result().codes.empty()
                   ? QStringLiteral("No text found.")
                   : QStringLiteral("No text found. Detected codes are listed below.");
    case OCRController::State::idle:
    case OCRController::State::failed:
        break;
    }
    // The menu item is the tray menu's "Recognize Text/QR".
    return QStringLiteral("Use Recognize Text in the editor or Recognize Text/QR from the Quorvane menu.");
}

QWidget* OCRResultView::makeHeader() {
    QWidget* header = nullptr;
    QHBoxLayout* row = flatRow(header, this);
    title_ = plainLabel({}, header);
    title_->setObjectName(QStringLiteral("title"));
    title_->setFont(scaledFont(*title_, 1.15, QFont::Bold));
    row->addWidget(title_, 1);
    progress_ = new QProgressBar(header);
    progress_->setRange(0, 0);
    progress_->setTextVisible(false);
    progress_->setMaximumSize(80, 12);
    progress_->setAccessibleName(QStringLiteral("Recognizing text"));
    row->addWidget(progress_);
    cancel_ = actionButton(QStringLiteral("Cancel"), QStringLiteral("Stop the running recognition."), header,
                           controller_, &OCRController::cancel);
    row->addWidget(cancel_);
    return header;
}

QWidget* OCRResultView::makeControls() {
    QWidget* controls = nullptr;
    QHBoxLayout* row = flatRow(controls, this);
    joinLines_ = new QCheckBox(QStringLiteral("Join lines"), controls);
    joinLines_->setToolTip(QStringLiteral("Join recognized lines with spaces instead of line breaks."));
    connect(joinLines_, &QCheckBox::toggled, &controller_, &OCRController::setJoinLines);
    row->addWidget(joinLines_);

    QLabel* languageLabel = plainLabel(QStringLiteral("Language"), controls);
    ComboBoxAccessible::install();
    language_ = new QComboBox(controls);
    languageLabel->setBuddy(language_);
    language_->setAccessibleName(QStringLiteral("Language"));
    // Its list is in the tree while closed too.
    language_->view()->setAccessibleName(QStringLiteral("Language"));
    language_->setMaximumWidth(240);
    language_->setToolTip(QStringLiteral("Applies to the next recognition."));
    language_->addItem(QStringLiteral("Automatic"));
    for (const QString& tag : controller_.supportedLanguages())
        language_->addItem(LanguageNames::displayName(tag), tag);
    connect(language_, &QComboBox::activated, this, [this](int index) {
        const QVariant tag = language_->itemData(index);
        controller_.setLanguage(tag.isValid() ? std::optional(tag.toString()) : std::nullopt);
    });
    row->addWidget(languageLabel);
    row->addWidget(language_);
    row->addStretch(1);

    copyText_ = actionButton(QStringLiteral("Copy Text"),
                             QStringLiteral("Copy the recognized text to the clipboard."), controls,
                             controller_, &OCRController::copyText);
    row->addWidget(copyText_);
    return controls;
}

QWidget* OCRResultView::makeFailure() {
    QHBoxLayout* row = flatRow(failure_, this);
    auto* icon = new QLabel(failure_);
    const int side = fontMetrics().height();
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(side, side));
    icon->setAccessibleName(QStringLiteral("Warning"));
    row->addWidget(icon);
    failureText_ = plainLabel({}, failure_);
    failureText_->setObjectName(QStringLiteral("failure"));
    failureText_->setWordWrap(true);
    QPalette red = failureText_->palette();
    red.setColor(QPalette::WindowText, QColor(0xd7, 0x26, 0x1e));
    failureText_->setPalette(red);
    row->addWidget(failureText_, 1);
    return failure_;
}

void OCRResultView::showState() {
    const bool running = controller_.state() == OCRController::State::running;
    title_->setText(controller_.source().isEmpty() ? QStringLiteral("No recognition yet")
                                                   : QStringLiteral("Source: ") + controller_.source());
    progress_->setVisible(running);
    cancel_->setVisible(running);
    showPlaceholder();
    showMessage();
}

void OCRResultView::showPlaceholder() {
    text_->setPlaceholderText(placeholder(controller_));
    // While there are no words, the placeholder says why.
    text_->setAccessibleDescription(shownText_.isEmpty() ? text_->placeholderText() : QString());
}

void OCRResultView::showText() {
    const QString text = controller_.text();
    // Setting the same text again would throw away the user's selection and scroll position.
    if (shownText_ != text || text_->document()->isEmpty() != text.isEmpty()) {
        shownText_ = text;
        text_->setPlainText(text);
    }
    showPlaceholder();
    copyText_->setEnabled(!text.isEmpty());
    joinLines_->setChecked(controller_.joinLines());
}

void OCRResultView::showLanguage() {
    const auto& language = controller_.language();
    const int index = language ? language_->findData(*language) : 0;
    if (index >= 0) language_->setCurrentIndex(index);
}

void OCRResultView::showMessage() {
    const QString& message = controller_.message();
    status_->setText(message);
    status_->setVisible(!message.isEmpty());
    const bool failed = controller_.state() == OCRController::State::failed;
    failureText_->setText(controller_.failureText());
    failure_->setVisible(failed && controller_.failureText() != message);
}

} // namespace quorvane
