#include "editor_window/CompositionMenus.h"

#include "canvas/CanvasEditCommands.h"
#include "canvas/EditorCanvasSettings.h"
#include "canvas/EditorCanvasView.h"
#include "capture/CaptureControllerRig.h"
#include "document/OverlayBudget.h"
#include "editor_window/ChromeText.h"
#include "editor_window/CompositionCommands.h"
#include "editor_window/EditorViewRig.h"
#include "editor_window/ExpandCanvasSheet.h"
#include "platform/InputHold.h"
#include "platform/SystemClipboard.h"
#include "support/TempDir.h"
#include "support/TestAnnotations.h"

#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using M = CompositionMenus;

// A PNG whose header claims `width` × `height`; the importer refuses it before decoding.
QByteArray pngClaiming(quint32 width, quint32 height) {
    QByteArray bytes = test::pngBytes(test::filledImage(Qt::red, 1, 1));
    for (int i = 0; i < 4; ++i) {
        bytes[16 + i] = static_cast<char>(width >> (24 - 8 * i));
        bytes[20 + i] = static_cast<char>(height >> (24 - 8 * i));
    }
    quint32 crc = 0xffffffffu; // over the chunk type and data
    for (int i = 12; i < 29; ++i) {
        crc ^= static_cast<quint8>(bytes[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    crc ^= 0xffffffffu;
    for (int i = 0; i < 4; ++i)
        bytes[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    return bytes;
}

std::unique_ptr<QMimeData> pngData(const QByteArray& bytes) {
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("image/png"), bytes);
    return data;
}

QStringList titles(const QMenu& menu) {
    QStringList list;
    for (const QAction* a : menu.actions())
        list << (a->isSeparator() ? QStringLiteral("—") : a->text());
    return list;
}

QStringList titles(const QMenuBar& bar) {
    QStringList list;
    for (const QAction* a : bar.actions())
        list << a->text();
    return list;
}

QAction* named(QMenu& menu, const char* id) {
    for (QAction* a : menu.actions())
        if (a->objectName() == QLatin1String(id)) return a;
    return nullptr;
}

// The shell's menus, with or without the items ours follow.
struct ShellMenus {
    QMenuBar bar;
    QMenu* file;
    QMenu* edit;
    explicit ShellMenus(bool anchors) {
        file = bar.addMenu(QStringLiteral("File"));
        edit = new QMenu(QStringLiteral("Edit"), &bar);
        const auto add = [](QMenu* menu, const char* title, const char* id) {
            menu->addAction(QString::fromUtf8(title))->setObjectName(QLatin1String(id));
        };
        add(file, "Capture Display", "captureDisplay");
        if (anchors) add(file, "Capture Area", "captureArea");
        add(file, "Save", "saveImage");
        if (anchors) add(file, "Save As…", "saveImageAs");
        add(file, "Close", "close");
        add(edit, "Undo", "undo");
        if (anchors) add(edit, "Paste", "paste");
        if (anchors) add(edit, "Resize Image…", "resizeImage");
        add(edit, "Backdrop…", "backdrop");
        if (anchors) bar.addMenu(edit);
        bar.addMenu(QStringLiteral("Window"));
    }
};

// A capture controller with an open document shown by a canvas in an editor window.
struct Rig {
    test::CaptureRig capture;
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    test::CountingBeeper beeper;
    InputHold input;
    QWidget window;
    EditorCanvasSettings settings;
    std::unique_ptr<EditorCanvasView> canvas;
    int presented = 0;
    bool scrolling = false;
    bool showWindow = true;
    std::unique_ptr<CompositionCommands> commands;
    std::unique_ptr<CompositionMenus> menus;

    explicit Rig(bool open = true) {
        if (open) openDocument();
        commands = std::make_unique<CompositionCommands>(CompositionCommands::Context{
            *capture.controller, clipboard, beeper, input, [this] { return showWindow ? &window : nullptr; },
            [this] { ++presented; }, [this] { return scrolling; }, [] { return true; }, [] {},
            []() -> SheetPresenter* { return nullptr; }});
        menus = std::make_unique<CompositionMenus>(*commands, [this] { return &window; });
    }
    void openDocument() {
        bool opened = false;
        capture.controller->openImage(test::filledImage(Qt::white, 400, 300), QStringLiteral("Shot"),
                                      [&](bool ok) { opened = ok; });
        ASSERT_TRUE(test::CaptureRig::turnUntil([&] { return opened; }));
        canvas = std::make_unique<EditorCanvasView>(*document(), settings, &window);
        canvas->editCommands().setServices(&clipboard, &beeper);
        window.resize(400, 300);
        canvas->resize(400, 300);
        window.show();
        canvas->setFocus();
    }
    // Asked for only where the rig opened one: none would be a broken rig, not a failing command.
    EditorDocument* document() const {
        EditorDocument* open = capture.controller->document();
        if (open == nullptr) qFatal("The rig has no document");
        return open;
    }
    void copy(std::unique_ptr<QMimeData> data) {
        ASSERT_TRUE(clipboard.write(std::move(data)));
        QCoreApplication::processEvents();
    }
};

TEST(CompositionMenus, ItemsLandAfterTheirAnchorsWithLinuxShortcuts) {
    Rig rig;
    ShellMenus shell(true);
    rig.menus->addCompositionMenus(*shell.file, *shell.edit, shell.bar);
    EXPECT_EQ(titles(*shell.file),
              (QStringList{"Capture Display", "Capture Area", "Add Area Capture to Image…", "Save",
                           "Save As…", "Export Before/After GIF…", "Close"}));
    EXPECT_EQ(titles(*shell.edit), (QStringList{"Undo", "Paste", "Paste as Overlay", "Resize Image…",
                                                "Expand Canvas…", "Flatten Image", "Backdrop…"}));
    EXPECT_EQ(titles(shell.bar), (QStringList{"File", "Edit", "Arrange", "Window"}));
    QMenu* arrange = shell.bar.findChild<QMenu*>(QLatin1String(M::arrangeMenuID));
    ASSERT_NE(arrange, nullptr);
    EXPECT_EQ(titles(*arrange), (QStringList{"Bring to Front", "Bring Forward", "Send Backward",
                                             "Send to Back", "—", "Align Left", "Align Center", "Align Right",
                                             "Align Top", "Align Middle", "Align Bottom"}));
    const std::pair<QMenu*, std::pair<const char*, const char*>> keys[] = {
        {arrange, {M::bringToFrontID, "Ctrl+Alt+]"}},      {arrange, {M::bringForwardID, "Ctrl+]"}},
        {arrange, {M::sendBackwardID, "Ctrl+["}},          {arrange, {M::sendToBackID, "Ctrl+Alt+["}},
        {shell.edit, {M::pasteAsOverlayID, "Ctrl+Alt+V"}}, {shell.edit, {M::expandCanvasID, "Ctrl+Alt+C"}},
    };
    for (const auto& [menu, item] : keys) {
        QAction* action = named(*menu, item.first);
        ASSERT_NE(action, nullptr) << item.first;
        EXPECT_EQ(ChromeText::shortcut(action->shortcut()[0]), QString::fromLatin1(item.second));
    }

    ShellMenus bare(false);
    rig.menus->addCompositionMenus(*bare.file, *bare.edit, bare.bar);
    EXPECT_EQ(titles(*bare.file).mid(3),
              (QStringList{"Add Area Capture to Image…", "Export Before/After GIF…"}));
    EXPECT_EQ(titles(*bare.edit).mid(2),
              (QStringList{"Paste as Overlay", "Flatten Image", "Expand Canvas…"}));
    EXPECT_EQ(titles(bare.bar), (QStringList{"File", "Window", "Arrange"}));
}

TEST(CompositionMenus, DocumentItemsNeedAnIdleDocumentAndFlattenSomethingToFlatten) {
    Rig rig;
    ShellMenus shell(true);
    rig.menus->addCompositionMenus(*shell.file, *shell.edit, shell.bar);
    rig.copy(pngData(test::pngBytes(test::twoToneImage(20, 10))));
    QMenu* arrange = shell.bar.findChild<QMenu*>(QLatin1String(M::arrangeMenuID));
    const auto enabled = [&] {
        rig.menus->updateEnabled();
        QStringList on;
        for (QMenu* menu : {shell.file, shell.edit, arrange})
            for (const QAction* a : menu->actions())
                if (a->isEnabled() && !a->objectName().isEmpty() &&
                    a->objectName() != QLatin1String("alignSelection"))
                    on << a->objectName();
        on.sort();
        return on;
    };
    const QStringList shellItems{"captureDisplay", "captureArea", "saveImage",   "saveImageAs", "close",
                                 "undo",           "paste",       "resizeImage", "backdrop"};
    const QStringList arrangeItems{"bringToFront", "bringForward", "sendBackward", "sendToBack"};
    const auto with = [&](QStringList ours) {
        QStringList all = shellItems + ours + arrangeItems;
        all.sort();
        return all;
    };
    EXPECT_EQ(enabled(),
              with({"addAreaCaptureToImage", "exportBeforeAfterGIF", "pasteAsOverlay", "expandCanvas"}));
    ASSERT_TRUE(rig.document()->crop(QRectF(0, 0, 399, 300)));
    EXPECT_EQ(enabled(), with({"addAreaCaptureToImage", "exportBeforeAfterGIF", "pasteAsOverlay",
                               "expandCanvas", "flattenImage"}));
    rig.copy(std::make_unique<QMimeData>());
    EXPECT_FALSE(named(*shell.edit, M::pasteAsOverlayID)->isEnabled());

    // A scrolling capture or a capture in progress: none of the five, Arrange as before.
    rig.scrolling = true;
    EXPECT_EQ(enabled(), with({}));
    rig.scrolling = false;
    rig.capture.service.holdImages = true;
    rig.capture.controller->captureDisplay();
    ASSERT_TRUE(test::CaptureRig::turnUntil([&] { return rig.capture.controller->isBusy(); }));
    EXPECT_EQ(enabled(), with({}));
    rig.capture.controller->cancel();
    ASSERT_TRUE(rig.capture.settle());
    EXPECT_TRUE(named(*shell.edit, M::flattenImageID)->isEnabled());
}

TEST(CompositionMenus, PasteAsOverlaySelectsAndAnnouncesOrReportsTheImporter) {
    Rig rig;
    rig.settings.choose(QStringLiteral("Arrow"));
    rig.copy(pngData(test::pngBytes(test::twoToneImage(40, 20))));
    rig.commands->pasteAsOverlay();
    EXPECT_EQ(rig.presented, 1);
    ASSERT_EQ(rig.document()->annotations().size(), 1u);
    const Annotation& overlay = rig.document()->annotations().front();
    EXPECT_EQ(overlay.kind, AnnotationKind::image);
    EXPECT_EQ(overlay.rect, QRectF(180, 140, 40, 20));
    EXPECT_EQ(rig.settings.modes().selectedID(), overlay.id);
    EXPECT_EQ(rig.settings.style().tool(), "Select");
    EXPECT_EQ(rig.settings.lastAnnouncement(), "Image added");
    EXPECT_FALSE(rig.capture.controller->errorMessage());

    test::TempDir dir;
    const QString webp = QString::fromStdString((dir / "a.webp").string());
    QFile file(webp);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("RIFF");
    file.close();
    rig.copy([&] {
        auto data = std::make_unique<QMimeData>();
        data->setUrls({QUrl::fromLocalFile(webp)});
        return data;
    }());
    rig.capture.controller->setErrorIsRetryable(true);
    rig.commands->pasteAsOverlay();
    ASSERT_TRUE(rig.capture.controller->errorMessage());
    EXPECT_TRUE(rig.capture.controller->errorMessage()->startsWith("Quorvane can't open this item: "));
    EXPECT_FALSE(rig.capture.controller->errorIsRetryable());
    EXPECT_EQ(rig.beeper.beeps, 0);

    // Over the importer's size cap: its message.
    rig.copy(pngData(pngClaiming(8000, 4001)));
    rig.commands->pasteAsOverlay();
    EXPECT_EQ(rig.capture.controller->errorMessage(),
              "This image is 8000 × 4001 pixels; Quorvane opens images up to 32 megapixels.");
    EXPECT_EQ(rig.document()->annotations().size(), 1u);

    // Nothing readable: a beep, no message.
    rig.capture.controller->setErrorMessage(std::nullopt);
    rig.copy(std::make_unique<QMimeData>());
    rig.commands->pasteAsOverlay();
    EXPECT_EQ(rig.beeper.beeps, 1);
    EXPECT_FALSE(rig.capture.controller->errorMessage());
    EXPECT_EQ(rig.document()->annotations().size(), 1u);
}

TEST(CompositionMenus, CapturedOverlaysComeThroughTheControllerOnlyWhileADocumentIsOpen) {
    {
        Rig closed(false);
        Q_EMIT closed.capture.controller->overlayImageCaptured(test::twoToneImage(10, 10), 2);
        EXPECT_EQ(closed.presented, 0);
        EXPECT_FALSE(closed.capture.controller->errorMessage());
        closed.commands->pasteAsOverlay();
        EXPECT_EQ(closed.beeper.beeps, 1);
    }
    Rig rig;
    // Captured at 1 pixel per point into a 1-pixel-per-point document: as it is, centred.
    Q_EMIT rig.capture.controller->overlayImageCaptured(test::twoToneImage(40, 20), 1);
    ASSERT_EQ(rig.document()->annotations().size(), 1u);
    EXPECT_EQ(rig.document()->annotations().front().rect, QRectF(180, 140, 40, 20));
    EXPECT_EQ(rig.settings.modes().selectedID(), rig.document()->annotations().front().id);
    Q_EMIT rig.capture.controller->overlayImageCaptured(test::bitmapOfBytes(OverlayBudget::limitBytes + 64),
                                                        1);
    EXPECT_EQ(rig.capture.controller->errorMessage(), message(CompositionError::overlayBudget));
    EXPECT_EQ(rig.document()->annotations().size(), 1u);
}

TEST(CompositionMenus, FlattenReportsEachOutcome) {
    Rig rig;
    rig.commands->flattenImage();
    EXPECT_EQ(rig.beeper.beeps, 1);

    const Annotation box = test::annotation(AnnotationKind::rectangle, QRectF(10, 10, 40, 40));
    rig.document()->addAnnotation(box);
    rig.settings.modes().setSelectedID(box.id);
    rig.commands->flattenImage();
    EXPECT_TRUE(rig.document()->annotations().empty());
    EXPECT_FALSE(rig.settings.modes().selectedID());
    const QString flattened = QStringLiteral("Flattened into the image. Undo restores the annotations.");
    EXPECT_EQ(rig.settings.modes().message(), flattened);
    EXPECT_EQ(rig.settings.lastAnnouncement(), flattened);
    rig.document()->undoManager().undo();
    EXPECT_EQ(rig.document()->annotations().size(), 1u);

    rig.document()->setBitmapAllocator(test::failingAllocator);
    const qint64 revision = rig.document()->revision();
    rig.commands->flattenImage();
    EXPECT_EQ(rig.capture.controller->errorMessage(), "Could not allocate the flattened image.");
    EXPECT_FALSE(rig.capture.controller->errorIsRetryable());
    EXPECT_EQ(rig.document()->revision(), revision);
    EXPECT_EQ(rig.document()->annotations().size(), 1u);
}

TEST(CompositionMenus, ExpandCanvasOpensTheSheetOnTheEditorWindowOnly) {
    Rig rig;
    rig.showWindow = false;
    rig.commands->expandCanvas();
    EXPECT_EQ(rig.presented, 1);
    EXPECT_EQ(rig.window.findChild<ExpandCanvasSheet*>(), nullptr);
    rig.showWindow = true;
    rig.commands->expandCanvas();
    auto* sheet = rig.window.findChild<ExpandCanvasSheet*>();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->summaryLine().text(), "400 × 300 → – px");
    sheet->reject();
}

} // namespace
} // namespace quorvane
