#include "canvas/SmartModes.h"

#include "CanvasTesting.h"
#include "document/EditorDocument.h"
#include "platform/SystemClipboard.h"
#include "support/QtPrinters.h"
#include "support/RefusingClipboard.h"
#include "support/TestAnnotations.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using C = SmartSelection::Outcome::Case;

using test::RefusingClipboard;

struct Fixture {
    EditorCanvasSettings settings;
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    SmartModes modes{settings, clipboard};
};

TEST(SmartModes, SupportsSmartSelectionByToolModeAndReview) {
    struct Case {
        const char* tool;
        bool cropping, recognizing, review, supported;
    };
    for (const Case& c :
         {Case{"Redact", false, false, false, true}, Case{"Redact", false, false, true, false},
          Case{"Rectangle", true, false, true, false}, Case{"Blur", false, false, false, true},
          Case{"Erase", false, false, false, true}, Case{"Arrow", false, false, false, false},
          Case{"Text", false, false, false, false}, Case{"Freehand", false, false, false, false},
          Case{"Arrow", true, false, false, true}, Case{"Text", false, true, false, true},
          Case{"Pan", false, false, false, false}}) {
        Fixture f;
        f.settings.choose(QString::fromLatin1(c.tool));
        if (c.cropping) f.settings.toggleCrop();
        if (c.recognizing) f.settings.modes().setRecognizing(true);
        if (c.review) f.settings.modes().setTextRedaction(new test::FakeTextRedactionReview(nullptr));
        EXPECT_EQ(f.modes.supportsSmartSelection(), c.supported)
            << c.tool << " crop " << c.cropping << " recognize " << c.recognizing << " review " << c.review;
    }
}

TEST(SmartModes, ShowsARegionWithItsWholeSizeAndAction) {
    struct Case {
        const char* tool;
        bool cropping, recognizing;
        QString action;
    };
    for (const Case& c : {Case{"Arrow", true, false, "Return crops"},
                          Case{"Arrow", false, true, "Return recognizes the text"},
                          Case{"Blur", false, false, "Return adds the blur"},
                          Case{"Rectangle", false, false, "Return adds the rectangle"}}) {
        Fixture f;
        f.settings.choose(QString::fromLatin1(c.tool));
        if (c.cropping) f.settings.toggleCrop();
        if (c.recognizing) f.settings.modes().setRecognizing(true);
        const QRectF box(3, 4, 120.9, 40);
        f.modes.showSmartSelection({C::region, box});
        ASSERT_TRUE(f.settings.modes().selection());
        EXPECT_EQ(*f.settings.modes().selection(), box);
        EXPECT_EQ(f.settings.modes().message(), "Smart selection 120 \u00d7 40: " + c.action +
                                                    ", arrows adjust, or drag to select by hand.");
        EXPECT_EQ(f.settings.lastAnnouncement(), "Smart selection 120 by 40 pixels. " + c.action + ".");
    }
}

TEST(SmartModes, RefusalsClearTheSelectionAndSayWhyButUnavailableIsSilent) {
    struct Case {
        C kind;
        QString text; // empty: nothing said
    };
    for (const Case& c :
         {Case{C::touchesEveryEdge, "That area runs to every edge of the image. Drag to select by hand."},
          Case{C::noClearEdge,
               "No clear edge around that area (gradient or texture). Drag to select by hand."},
          Case{C::tooSmall, "That area is too small to select. Drag to select by hand."},
          Case{C::tooLarge, "That area is too large to trace. Drag to select by hand."},
          Case{C::unavailable, {}}}) {
        Fixture f;
        f.settings.modes().setSelection(QRectF(1, 1, 5, 5));
        f.settings.modes().setMessage(QStringLiteral("before"));
        f.modes.showSmartSelection({c.kind, {}});
        EXPECT_FALSE(f.settings.modes().selection());
        EXPECT_EQ(f.settings.modes().message(), c.text.isEmpty() ? QStringLiteral("before") : c.text);
        EXPECT_EQ(f.settings.lastAnnouncement(), c.text.isEmpty() ? std::nullopt : std::optional(c.text));
    }
}

TEST(SmartModes, EndingSmartModesCancelsTheReviewAndClearsAreaColours) {
    Fixture f;
    f.settings.modes().setAreaColors(AreaColors{QRectF(0, 0, 2, 2), {1, 2, 3, 255}, std::nullopt});
    f.modes.endSmartModes(); // nothing open
    EXPECT_FALSE(f.settings.modes().areaColors());

    EditorDocument document(test::filledImage(Qt::white, 50, 50), std::nullopt, 1);
    auto* review = new test::FakeTextRedactionReview(&document);
    document.setTextRedactionReview(review);
    f.settings.modes().setTextRedaction(review);
    f.modes.endSmartModes();
    EXPECT_EQ(review->cancels, 1);
    EXPECT_EQ(document.textRedactionReview(), nullptr);
    EXPECT_EQ(f.settings.modes().textRedaction(), nullptr);
}

TEST(SmartModes, DuplicatesSilentlyAndExplainsARefusedEraseCopy) {
    // Plain white on the left, stripes from x = 60: an erase box at 40…55 is plain around it,
    // its copy 10 pixels to the right is not.
    QImage image = test::filledImage(Qt::white, 120, 80);
    {
        QPainter painter(&image);
        for (int x = 60; x < 120; x += 2)
            painter.fillRect(QRect(x, 0, 1, 80), Qt::black);
    }
    EditorDocument document(image, std::nullopt, 1);
    Annotation erase = test::annotation(AnnotationKind::erase, QRectF(40, 20, 14, 14), Qt::white);
    Annotation box = test::annotation(AnnotationKind::rectangle, QRectF(5, 5, 10, 10));
    document.addAnnotation(erase);
    document.addAnnotation(box);

    Fixture f;
    const QUuid selected = erase.id;
    f.settings.modes().setSelectedID(selected);
    f.modes.duplicate(erase.id, document);
    EXPECT_EQ(f.settings.modes().selectedID(), selected);
    EXPECT_EQ(f.settings.modes().message(),
              "Erase needs a plain background around the object. Draw the box a little "
              "larger, or use Redact or Rectangle.");
    EXPECT_EQ(f.settings.lastAnnouncement(), f.settings.modes().message());
    EXPECT_EQ(document.annotations().size(), 2u);

    f.settings.modes().setMessage({});
    f.modes.duplicate(box.id, document);
    ASSERT_EQ(document.annotations().size(), 3u);
    EXPECT_EQ(f.settings.modes().selectedID(), document.annotations().back().id);
    EXPECT_EQ(f.settings.modes().message(), "");

    f.modes.duplicate(QUuid::createUuid(), document); // gone meanwhile
    EXPECT_FALSE(f.settings.modes().selectedID());
}

TEST(SmartModes, CopiesAColourTextAndConfirmsOnlyWhatWasCopied) {
    Fixture f;
    f.modes.copyColorText(QStringLiteral("#FF0000"));
    ASSERT_NE(f.clipboard.read(), nullptr);
    EXPECT_EQ(f.clipboard.read()->text(), "#FF0000");
    EXPECT_EQ(f.settings.modes().message(), "Copied #FF0000");
    EXPECT_EQ(f.settings.lastAnnouncement(), "Copied color #FF0000");

    EditorCanvasSettings settings;
    RefusingClipboard refusing;
    SmartModes(settings, refusing).copyColorText(QStringLiteral("#00FF00"));
    EXPECT_EQ(settings.modes().message(), "Could not copy #00FF00: the clipboard refused it.");
}

} // namespace
} // namespace quorvane
