#include "export/FileDragSource.h"

#include "export/DragExporter.h"
#include "export/ImageImporter.h"
#include "support/CountingBeeper.h"
#include "support/SentMouse.h"
#include "support/TempDir.h"
#include "support/TestAnnotations.h"

#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct SourceRig {
    test::TempDir root;
    DragExporter exporter{QString::fromStdString((root / "Quorvane Drag").string())};
    test::CountingBeeper beeper;
    int imageCalls = 0;
    std::optional<QImage> image = test::twoToneImage(30, 20);
    std::vector<QList<QUrl>> drags;
    std::vector<QPoint> hotSpots;
    FileDragSource source{exporter,
                          [this] {
                              ++imageCalls;
                              return image;
                          },
                          beeper};

    SourceRig() {
        source.resize(22, 20);
        source.setDragRunner([this](QDrag& drag) {
            drags.push_back(drag.mimeData()->urls());
            hotSpots.push_back(drag.hotSpot());
            return Qt::CopyAction;
        });
    }
    void mouse(QEvent::Type type, QPointF at) {
        QMouseEvent event(type, at, source.mapToGlobal(at),
                          type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&source, &event);
    }
};

TEST(FileDragSource, StartsOneDragOncePastThreePoints) {
    SourceRig rig;
    rig.mouse(QEvent::MouseButtonPress, {5, 5});
    rig.mouse(QEvent::MouseMove, {7.9, 5});
    rig.mouse(QEvent::MouseMove, {5, 7.9});
    EXPECT_EQ(rig.imageCalls, 0) << "2.9 points starts nothing";
    rig.mouse(QEvent::MouseMove, {8, 5});
    ASSERT_EQ(rig.drags.size(), 1u);
    rig.mouse(QEvent::MouseMove, {20, 5});
    EXPECT_EQ(rig.drags.size(), 1u) << "once per press";
    rig.mouse(QEvent::MouseButtonRelease, {20, 5});

    ASSERT_EQ(rig.drags[0].size(), 1);
    const QUrl file = rig.drags[0][0];
    EXPECT_TRUE(file.isLocalFile());
    EXPECT_TRUE(file.toLocalFile().startsWith(rig.exporter.directory()));
    auto decoded = ImageImporter::image(file);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), QSize(30, 20));
    EXPECT_EQ(rig.hotSpots[0], QPoint(15, 10)) << "the preview centred on the pointer";

    rig.mouse(QEvent::MouseButtonPress, {5, 5});
    rig.mouse(QEvent::MouseButtonRelease, {5, 5});
    EXPECT_EQ(rig.imageCalls, 1) << "a click never asks for the image";
    EXPECT_EQ(rig.beeper.beeps, 0);
}

TEST(FileDragSource, NoImageOrAFailedFileBeepsOnceAndStartsNothing) {
    SourceRig rig;
    rig.image.reset();
    rig.mouse(QEvent::MouseButtonPress, {5, 5});
    rig.mouse(QEvent::MouseMove, {10, 5});
    rig.mouse(QEvent::MouseMove, {15, 5});
    EXPECT_EQ(rig.beeper.beeps, 1);
    EXPECT_TRUE(rig.drags.empty());

    SourceRig broken;
    broken.exporter.rename = [](const QString&, const QString&) { return EIO; };
    broken.mouse(QEvent::MouseButtonPress, {5, 5});
    broken.mouse(QEvent::MouseMove, {10, 5});
    EXPECT_EQ(broken.beeper.beeps, 1);
    EXPECT_TRUE(broken.drags.empty());
}

TEST(FileDragSource, SurvivesBeingDeletedDuringItsDrag) {
    SourceRig rig;
    auto* doomed = new FileDragSource(
        rig.exporter, [&] { return rig.image; }, rig.beeper);
    QPointer<FileDragSource> guard(doomed);
    bool ended = false;
    QObject::connect(doomed, &FileDragSource::dragEnded, [&] { ended = true; });
    doomed->setDragRunner([doomed](QDrag&) {
        delete doomed; // the pane went away while the nested drag loop ran
        return Qt::CopyAction;
    });
    test::pressAndMove(*doomed, QPointF(1, 1), QPointF(9, 1));
    EXPECT_TRUE(guard.isNull());
    EXPECT_FALSE(ended);
}

} // namespace
} // namespace quorvane
