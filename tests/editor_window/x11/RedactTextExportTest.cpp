#include "canvas/CanvasEditCommands.h"
#include "canvas/EditorCanvasPane.h"
#include "canvas/EditorCanvasView.h"
#include "canvas/TextRedactionController.h"
#include "core/Geometry.h"
#include "document/EditorDocument.h"
#include "editor_window/SymbolIcons.h"
#include "editor_window/TextRedactionBar.h"
#include "export/ExportTesting.h"
#include "export/ImageImporter.h"
#include "platform/TesseractEngineFactory.h"
#include "platform/TesseractLanguageData.h"
#include "platform/ZXingBarcodeReader.h"
#include "recognition/TextRecognizer.h"
#include "support/TextImages.h"
#include "support/WaitUntil.h"
#include "support/Xdotool.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using State = TextRedactionController::State;

// A real editor pane on a text image opened from a file: Redact Text, one word clicked away, the
// options menu opened and closed, Return; the saved file shows every applied box covered and the
// kept word untouched.
struct RedactTextExport : ::testing::TestWithParam<bool> {
    test::ExportFixture exports{false};
    TextRecognizer recognizer{
        std::make_shared<TesseractEngineFactory>(TesseractLanguageData::defaultFolder()),
        std::make_shared<ZXingBarcodeReader>(), QStringList{QStringLiteral("en-US")}, 1};
    SymbolIcons icons{SymbolIcons::Theme::ignore};
    std::unique_ptr<EditorCanvasPane> pane;
    QImage source;

    void SetUp() override {
        ASSERT_TRUE(test::x11Server().startWindowManager());
        source = test::whiteImage(420, 140);
        test::drawText(source, QStringLiteral("Harbor Violet Tundra"), QPoint(40, 50), 28);
        const QString path = QString::fromStdString((exports.folder / "text.png").string());
        ASSERT_TRUE(source.save(path));
        auto opened = ImageImporter::image(QUrl::fromLocalFile(path));
        ASSERT_TRUE(opened);
        source = opened.value().convertToFormat(QImage::Format_RGBA8888);
        exports.document = std::make_unique<EditorDocument>(opened.value(), QStringLiteral("text.png"), 1);
        pane = std::make_unique<EditorCanvasPane>(*exports.document, nullptr);
        pane->setTextRedactionRecognizer([this](const QImage& image, RecognitionTask::Completion done) {
            return recognizer.recognize(image, std::nullopt, std::move(done));
        });
        pane->resize(640, 420);
        pane->show();
        pane->activateWindow();
        pane->canvas().setFocus();
        ASSERT_TRUE(test::waitUntil([&] { return pane->canvas().hasFocus(); }));
    }
    void TearDown() override {
        pane.reset();
        test::x11Server().stopWindowManager();
    }

    QImage exported() {
        EXPECT_TRUE(exports.controller->saveToFolder(ExportController::AfterSave::keepEditor,
                                                     ExportController::Encoding::mayUseWorker));
        EXPECT_TRUE(exports.waitIdle());
        return QImage(exports.controller->lastURL().toLocalFile()).convertToFormat(QImage::Format_RGBA8888);
    }
    static QString clickAt(QPoint global) {
        return QStringLiteral("mousemove %1 %2 click 1").arg(global.x()).arg(global.y());
    }
};

TEST_P(RedactTextExport, AppliedBoxesAreCoveredAndTheKeptWordIsNot) {
    EditorDocument& document = *exports.document;
    if (GetParam()) {
        ASSERT_TRUE(document.crop(QRectF(10, 10, 400, 120)));
        pane->settings().modes().setSelection(QRectF(5, 5, 390, 100));
    }
    pane->canvas().editCommands().perform(CanvasEditCommands::Action::redactText);
    auto* review = qobject_cast<TextRedactionController*>(pane->settings().modes().textRedaction());
    ASSERT_NE(review, nullptr);
    auto* bar = new TextRedactionBar(*review, icons,
                                     [this](bool apply) { pane->settings().finishTextRedaction(apply); });
    pane->setStatusBar(bar);
    ASSERT_TRUE(test::waitUntil([&] { return review->state() != State::recognizing; }, 60000));
    ASSERT_EQ(review->state(), State::reviewing) << review->failure().toStdString();
    ASSERT_EQ(review->candidates().size(), 3u);

    const TextRedactionController::Candidate kept = review->candidates()[1];
    const QRectF keptBox = review->effectiveBox(kept);
    std::vector<QRectF> applied;
    for (const auto& c : review->candidates())
        if (c.id != kept.id) applied.push_back(review->effectiveBox(c));
    QApplication::processEvents();
    const QPointF word = pane->canvas().viewRect(kept.rect).center();
    ASSERT_EQ(test::xdotool(clickAt(pane->canvas().mapToGlobal(word.toPoint()))), 0);
    ASSERT_TRUE(test::waitUntil([&] { return review->includedCount() == 2; }));
    // The bar rebuilds its row, buttons and menu included, on the turn after a change.
    QCoreApplication::sendPostedEvents(bar, QEvent::MetaCall);

    // The options menu runs its own event loop: it is closed from a timer inside that loop.
    ASSERT_TRUE(test::waitUntil(
        [&] { return bar->optionsButton() != nullptr && bar->optionsButton()->isVisible(); }));
    QPointer<QToolButton> options = bar->optionsButton();
    QPointer<QMenu> menu = options->menu();
    bool menuSeen = false;
    QTimer closer;
    closer.setInterval(50);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        const QMenu* shown = menu;
        if (!menuSeen && shown != nullptr && shown->isVisible()) {
            menuSeen = true;
            test::xdotool(QStringLiteral("key Escape"));
        }
    });
    closer.start();
    ASSERT_EQ(test::xdotool(clickAt(options->mapToGlobal(options->rect().center()))), 0);
    ASSERT_TRUE(test::waitUntil([&] {
        const QMenu* closed = menu;
        return menuSeen && closed != nullptr && !closed->isVisible();
    }));
    closer.stop();
    ASSERT_TRUE(test::waitUntil([&] { return pane->canvas().hasFocus(); }));
    ASSERT_NE(pane->settings().modes().textRedaction(), nullptr); // the menu's Escape did not end the review

    ASSERT_EQ(test::xdotool(QStringLiteral("key Return")), 0);
    ASSERT_TRUE(test::waitUntil([&] { return pane->settings().modes().textRedaction() == nullptr; }));
    ASSERT_EQ(document.annotations().size(), 2u);

    const QImage image = exported();
    const QRectF crop = document.cropRect();
    ASSERT_EQ(image.size(), crop.size().toSize());
    const QColor black(Qt::black);
    for (const QRectF& box : applied) {
        ASSERT_TRUE(geom::contains(crop, box));
        for (int y = int(box.top()); y < int(box.bottom()); ++y)
            for (int x = int(box.left()); x < int(box.right()); ++x)
                ASSERT_EQ(image.pixelColor(x - int(crop.x()), y - int(crop.y())), black) << x << "," << y;
    }
    for (int y = int(keptBox.top()); y < int(keptBox.bottom()); ++y)
        for (int x = int(keptBox.left()); x < int(keptBox.right()); ++x)
            ASSERT_EQ(image.pixel(x - int(crop.x()), y - int(crop.y())), source.pixel(x, y)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(WholeAndCropped, RedactTextExport, ::testing::Bool());

} // namespace
} // namespace quorvane
