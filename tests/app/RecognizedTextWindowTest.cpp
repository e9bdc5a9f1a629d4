#include "app/RecognizedTextWindow.h"

#include "app/LanguageNames.h"
#include "app/OCRTesting.h"
#include "platform/SystemClipboard.h"
#include "support/QtPrinters.h"
#include "support/TextImages.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::code;
using test::line;
using test::result;

const QString idlePlaceholder =
    QStringLiteral("Use Recognize Text in the editor or Recognize Text/QR from the Quorvane menu.");

struct Fixture {
    explicit Fixture(QStringList languages = {QStringLiteral("en"), QStringLiteral("de")})
        : controller(clipboard, std::move(languages), recognizer.function()), window(controller) {
        window.show();
    }
    QPushButton* button(const QString& text) const {
        for (QPushButton* b : window.findChildren<QPushButton*>())
            if (b->text() == text && !b->isHidden()) return b;
        return nullptr;
    }
    QPlainTextEdit& text() const { return *window.findChild<QPlainTextEdit*>(); }
    QGroupBox& codes() const { return *window.findChild<QGroupBox*>(); }
    QLabel* label(const QString& name) const { return window.findChild<QLabel*>(name); }
    QString status() const { return label(QStringLiteral("status"))->text(); }
    bool copyTextEnabled() const { return button(QStringLiteral("Copy Text"))->isEnabled(); }
    void run(const RecognitionOutcome& outcome) {
        controller.recognize(test::whiteImage(40, 20), QStringLiteral("Area"));
        recognizer.finish(recognizer.calls.size() - 1, outcome);
    }

    test::HeldRecognizer recognizer;
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    OCRController controller;
    RecognizedTextWindow window;
};

TEST(RecognizedTextWindow, IsAReadOnlyWindowOfItsOwnAndClosingItCancelsOnlyARunningRecognition) {
    Fixture f;
    EXPECT_TRUE(f.window.isWindow());
    ASSERT_NE(f.window.menuBar(), nullptr);
    EXPECT_TRUE(f.window.menuBar()->actions().isEmpty());
    EXPECT_TRUE(f.text().isReadOnly());
    EXPECT_TRUE(f.text().textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
    f.window.close();
    f.window.showMinimized();
    f.window.present();
    EXPECT_TRUE(f.window.isVisible());
    EXPECT_FALSE(f.window.isMinimized());

    // Closing cancels a running recognition only.
    f.controller.recognize(test::whiteImage(10, 10), QStringLiteral("Area"));
    f.window.close();
    EXPECT_TRUE(f.recognizer.calls.back().task->isCancelled());
    EXPECT_EQ(f.controller.message(), QStringLiteral("OCR cancelled."));
    f.run(result({line(QStringLiteral("kept"))}));
    f.window.present();
    f.window.close();
    EXPECT_EQ(f.controller.state(), OCRController::State::finished);
    EXPECT_EQ(f.controller.text(), QStringLiteral("kept"));
}

// The text lies on the text-background colour in a rounded rectangle; the text area is named
// "Recognized text" and its words are read through its text, never as its name (the placeholder
// describes it while there are none).
TEST(RecognizedTextWindow, TheTextLiesOnARoundedGroundAndReadsAsItself) {
    Fixture f;
    QWidget* area = f.text().parentWidget();
    ASSERT_NE(area, nullptr);
    const QImage ground = area->grab().toImage();
    const QColor base = f.text().palette().color(QPalette::Base);
    const QColor window = f.window.palette().color(QPalette::Window);
    ASSERT_NE(base, window);
    EXPECT_EQ(ground.pixelColor(ground.width() / 2, ground.height() / 2), base);
    EXPECT_EQ(ground.pixelColor(area->width() / 2, 1), base) << "no frame of its own";
    EXPECT_NE(ground.pixelColor(0, 0), base) << "the corners are rounded";

    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&f.text());
    ASSERT_NE(reader, nullptr);
    ASSERT_NE(reader->textInterface(), nullptr);
    const auto heard = [reader] {
        const QAccessibleTextInterface& words = *reader->textInterface();
        return QStringList{reader->text(QAccessible::Name), reader->text(QAccessible::Description),
                           words.text(0, words.characterCount())};
    };
    EXPECT_EQ(heard(), (QStringList{QStringLiteral("Recognized text"), idlePlaceholder, QString()}));
    f.run(result({line(QStringLiteral("Hello world"))}));
    EXPECT_EQ(heard(),
              (QStringList{QStringLiteral("Recognized text"), QString(), QStringLiteral("Hello world")}));
    f.run(result({}));
    EXPECT_EQ(heard(),
              (QStringList{QStringLiteral("Recognized text"), QStringLiteral("No text found."), QString()}));
}

TEST(RecognizedTextWindow, ShowsNothingYetThenTheRunningRecognition) {
    Fixture f;
    EXPECT_EQ(f.label(QStringLiteral("title"))->text(), QStringLiteral("No recognition yet"));
    EXPECT_EQ(f.text().placeholderText(), idlePlaceholder);
    EXPECT_FALSE(f.copyTextEnabled());
    EXPECT_FALSE(f.label(QStringLiteral("status"))->isVisible());
    EXPECT_FALSE(f.codes().isVisible());
    EXPECT_FALSE(f.window.findChild<QProgressBar*>()->isVisible());
    EXPECT_EQ(f.button(QStringLiteral("Cancel")), nullptr);

    f.controller.recognize(test::whiteImage(40, 20), QStringLiteral("Area"));
    EXPECT_EQ(f.label(QStringLiteral("title"))->text(), QStringLiteral("Source: Area"));
    EXPECT_TRUE(f.window.findChild<QProgressBar*>()->isVisible());
    EXPECT_EQ(f.text().placeholderText(), QStringLiteral("Recognizing text…"));
    EXPECT_EQ(f.status(), QStringLiteral("Recognizing text…"));
    QPushButton* cancel = f.button(QStringLiteral("Cancel"));
    ASSERT_TRUE(cancel != nullptr && cancel->isVisible());
    cancel->click();
    EXPECT_EQ(f.controller.state(), OCRController::State::idle);
    EXPECT_EQ(f.status(), QStringLiteral("OCR cancelled."));
    EXPECT_EQ(f.button(QStringLiteral("Cancel")), nullptr);
    EXPECT_EQ(f.text().placeholderText(), idlePlaceholder);
}

TEST(RecognizedTextWindow, ListsACodeAndCopiesItsPayload) {
    Fixture f;
    f.run(result({}, {code(QStringLiteral("WIFI:S:home;T:WPA;P:secret;;"))}));
    EXPECT_EQ(f.text().placeholderText(), QStringLiteral("No text found. Detected codes are listed below."));
    EXPECT_FALSE(f.copyTextEnabled());
    ASSERT_TRUE(f.codes().isVisible());
    EXPECT_EQ(f.codes().findChild<QLabel*>(QStringLiteral("symbology"))->text(), QStringLiteral("QR"));
    QPushButton* copy = f.button(QStringLiteral("Copy"));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->accessibleName(), QStringLiteral("Copy QR payload"));
    copy->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("WIFI:S:home;T:WPA;P:secret;;"));
    EXPECT_EQ(f.status(), QStringLiteral("Copied QR payload."));

    // A text-only result empties the box and hides it.
    f.run(result({line(QStringLiteral("only text"))}));
    EXPECT_FALSE(f.codes().isVisible());
    EXPECT_EQ(f.text().toPlainText(), QStringLiteral("only text"));
    f.run(result({}));
    EXPECT_EQ(f.text().placeholderText(), QStringLiteral("No text found."));
    EXPECT_TRUE(f.text().toPlainText().isEmpty());
}

TEST(RecognizedTextWindow, ShowsAFailureOnceInTheStatusAndTheRedLabelOnlyWhenItDiffers) {
    Fixture f;
    f.run(Failure{RecognitionFailure::refused({TextRecognizerError::Case::invalidDimensions, {}})});
    const QString failed =
        QStringLiteral("OCR failed: OCR needs an image between 1 pixel and 32 megapixels.");
    QWidget* failure = f.label(QStringLiteral("failure"))->parentWidget();
    EXPECT_EQ(f.status(), failed);
    EXPECT_FALSE(failure->isVisible());
    EXPECT_EQ(f.text().placeholderText(), idlePlaceholder);
    EXPECT_FALSE(f.copyTextEnabled());

    f.controller.copyText();
    EXPECT_EQ(f.status(), QStringLiteral("Nothing to copy."));
    EXPECT_TRUE(failure->isVisible());
    EXPECT_EQ(f.label(QStringLiteral("failure"))->text(), failed);
}

TEST(RecognizedTextWindow, JoinLinesChangesTheShownAndCopiedTextAtOnce) {
    Fixture f;
    f.run(result({line(QStringLiteral("first")), line(QStringLiteral("second"))}));
    EXPECT_EQ(f.text().toPlainText(), QStringLiteral("first\nsecond"));
    auto* join = f.window.findChild<QCheckBox*>();
    ASSERT_NE(join, nullptr);
    join->click();
    EXPECT_EQ(f.text().toPlainText(), QStringLiteral("first second"));
    ASSERT_TRUE(f.copyTextEnabled());
    f.button(QStringLiteral("Copy Text"))->click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("first second"));
    EXPECT_EQ(f.status(), QStringLiteral("Copied text."));
    f.controller.setJoinLines(false);
    EXPECT_FALSE(join->isChecked());
    EXPECT_EQ(f.text().toPlainText(), QStringLiteral("first\nsecond"));
}

TEST(RecognizedTextWindow, OffersAutomaticThenEachLanguageByNameForTheNextRun) {
    Fixture f({QStringLiteral("en"), QStringLiteral("zh-Hans"), QStringLiteral("qaa")});
    QComboBox& choice = *f.window.findChild<QComboBox*>();
    QStringList labels;
    for (int i = 0; i < choice.count(); ++i)
        labels.append(choice.itemText(i));
    EXPECT_EQ(labels, (QStringList{"Automatic", "English", "Chinese (Simplified Han)", "qaa"}));
    EXPECT_EQ(choice.currentIndex(), 0);
    // A screen reader hears it by its label, and its choice first as its description.
    QAccessibleInterface* heard = QAccessible::queryAccessibleInterface(&choice);
    EXPECT_EQ(heard->text(QAccessible::Name), QStringLiteral("Language"));
    EXPECT_EQ(heard->text(QAccessible::Description),
              QStringLiteral("Automatic. Applies to the next recognition."));

    choice.setCurrentIndex(2);
    Q_EMIT choice.activated(2);
    EXPECT_EQ(heard->text(QAccessible::Description),
              QStringLiteral("Chinese (Simplified Han). Applies to the next recognition."));
    f.controller.recognize(test::whiteImage(10, 10), QStringLiteral("Area"));
    EXPECT_EQ(f.recognizer.calls.back().languages, std::optional(QStringList{QStringLiteral("zh-Hans")}));
    f.controller.setLanguage(std::nullopt);
    EXPECT_EQ(choice.currentIndex(), 0);

    const std::pair<const char*, const char*> names[] = {{"de", "German"},
                                                         {"az-Cyrl", "Azerbaijani (Cyrillic)"},
                                                         {"sr-Latn", "Serbian (Latin)"},
                                                         {"tlh", "tlh"},
                                                         {"", ""}};
    for (const auto& [tag, name] : names)
        EXPECT_EQ(LanguageNames::displayName(QString::fromLatin1(tag)), QString::fromLatin1(name)) << tag;
}

// Whatever was read is shown as written: markup stays text and a link opens nothing.
TEST(RecognizedTextWindow, ShowsMarkupAndLinksAsWritten) {
    Fixture f;
    const QString markup = QStringLiteral("<b>bold</b> <a href=\"https://example.org\">click</a>");
    const QString payload = QStringLiteral("https://example.org/?q=<script>alert(1)</script>");
    f.run(result({line(markup)}, {code(payload, QStringLiteral("<i>QR</i>"))}));
    EXPECT_EQ(f.text().toPlainText(), markup);
    EXPECT_EQ(f.codes().findChild<QLabel*>(QStringLiteral("payload"))->text(), payload);
    for (QLabel* label : f.window.findChildren<QLabel*>()) {
        if (label->pixmap().isNull()) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
        }
        EXPECT_FALSE(label->openExternalLinks());
    }
    EXPECT_EQ(f.button(QStringLiteral("Copy"))->accessibleName(), QStringLiteral("Copy <i>QR</i> payload"));
}

} // namespace
} // namespace quorvane
