#include "editor_window/AnnotationToolProperties.h"

#include "ChromeTesting.h"
#include "canvas/EditorCanvasSettings.h"
#include "document/EditorDocument.h"
#include "editor_window/SymbolIcons.h"
#include "support/NumberFonts.h"
#include "support/TestAnnotations.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct Properties {
    EditorDocument document{test::filledImage(Qt::white, 400, 300), std::nullopt, 1};
    EditorCanvasSettings settings;
    SymbolIcons icons{SymbolIcons::Theme::ignore};
    std::unique_ptr<AnnotationToolProperties> view;

    void show() {
        view = std::make_unique<AnnotationToolProperties>(document, settings, icons);
        view->show();
    }
    QToolButton* magnification() { return view->findChild<QToolButton*>(QStringLiteral("magnification")); }
    QToolButton* spotlight() { return view->findChild<QToolButton*>(QStringLiteral("spotlightShape")); }
    QSpinBox* step() { return view->findChild<QSpinBox*>(QStringLiteral("stepNumber")); }
    QLabel* hint() { return view->findChild<QLabel*>(QStringLiteral("hint")); }
    // The visible controls and hint, by name, and the hint's text.
    QStringList shown() {
        QStringList names;
        for (QWidget* w : {static_cast<QWidget*>(magnification()), static_cast<QWidget*>(step()),
                           static_cast<QWidget*>(spotlight()), static_cast<QWidget*>(hint())})
            if (w->isVisible()) names << w->objectName();
        if (hint()->isVisible()) names << hint()->text();
        return names;
    }
    Annotation add(AnnotationKind kind, const QRectF& rect) {
        document.addAnnotation(test::annotation(kind, rect));
        return document.annotations().back();
    }
    static void choose(QToolButton* button, const QString& title) {
        for (QAction* action : button->menu()->actions())
            if (action->text() == title) return action->trigger();
        FAIL() << "no choice " << title.toStdString();
    }
};

TEST(AnnotationToolProperties, HintsAndMagnificationTextsDoNotFollowTheLocale) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_EQ(AnnotationToolProperties::magnificationText(1.5), QStringLiteral("1.5×"));
    EXPECT_EQ(AnnotationToolProperties::magnificationText(2), QStringLiteral("2×"));
    QLocale::setDefault(previous);
    const std::pair<const char*, std::optional<QString>> hints[] = {
        {"Freehand", QStringLiteral("Drag to draw")},
        {"Highlight", QStringLiteral("Drag over what to highlight")},
        {"Counter", QStringLiteral("Click to place step 12")},
        {"Arrow", std::nullopt},
    };
    for (const auto& [tool, expected] : hints)
        EXPECT_EQ(AnnotationToolProperties::hint(ToolTable::find(QString::fromLatin1(tool))->tool, 12),
                  expected)
            << tool;
}

TEST(AnnotationToolProperties, CounterToolShowsTheNextStepAndASelectedCounterItsStepper) {
    Properties p;
    std::vector<Annotation> counters;
    for (int n = 1; n <= 4; ++n) {
        Annotation c = test::annotation(AnnotationKind::counter, QRectF(20 * n, 20, 16, 16));
        c.number = n;
        p.document.addAnnotation(c);
        counters.push_back(c);
    }
    p.settings.choose(QStringLiteral("Counter"));
    p.show();
    EXPECT_EQ(p.shown(), (QStringList{"hint", "Click to place step 5"}));

    p.settings.modes().setSelectedID(counters[1].id);
    EXPECT_EQ(p.shown(), QStringList{"stepNumber"});
    EXPECT_EQ(p.step()->text(), "Step 2");
    EXPECT_EQ(test::accessibleValue(*p.step()), "2") << "spoken as its number";
    EXPECT_EQ(test::unevenNumbers(p.step()->font()), "");
    const qint64 revision = p.document.revision();
    p.step()->stepUp();
    EXPECT_EQ(p.document.annotations()[1].number, 3);
    EXPECT_EQ(p.document.revision(), revision + 1);
    for (int i = 0; i < 5; ++i)
        p.step()->stepDown();
    EXPECT_EQ(p.document.annotations()[1].number, 1);
    p.step()->setValue(5000);
    EXPECT_EQ(p.document.annotations()[1].number, 999);
}

TEST(AnnotationToolProperties, MagnifierShowsTheSelectionsValueAndChangesBoth) {
    Properties p;
    Annotation lens = test::annotation(AnnotationKind::magnifier, QRectF(50, 50, 60, 60));
    lens.magnification = 3;
    p.document.addAnnotation(lens);
    p.settings.choose(QStringLiteral("Magnifier"));
    p.show();
    EXPECT_EQ(p.shown(), (QStringList{"magnification", "hint", "Drag out from the detail"}));
    EXPECT_EQ(p.magnification()->text(), "2×");

    p.settings.modes().setSelectedID(lens.id);
    EXPECT_EQ(p.shown(), QStringList{"magnification"});
    EXPECT_EQ(p.magnification()->text(), "3×");
    EXPECT_EQ(test::unevenNumbers(p.magnification()->font()), "");
    Properties::choose(p.magnification(), QStringLiteral("4×"));
    EXPECT_EQ(p.document.annotations().front().magnification, 4);
    EXPECT_EQ(p.settings.style().magnification(), 4);
}

TEST(AnnotationToolProperties, SpotlightToolShapeChangesOnlyTheToolWithoutSelection) {
    Properties p;
    const Annotation spot = p.add(AnnotationKind::spotlight, QRectF(50, 50, 60, 60));
    p.settings.choose(QStringLiteral("Spotlight"));
    p.show();
    EXPECT_EQ(p.shown(), (QStringList{"spotlightShape", "hint", "Drag around what matters"}));
    EXPECT_EQ(p.spotlight()->accessibleDescription(), "Rectangle");
    const qint64 revision = p.document.revision();
    Properties::choose(p.spotlight(), QStringLiteral("Ellipse"));
    EXPECT_TRUE(p.settings.style().spotlightOval());
    EXPECT_EQ(p.spotlight()->accessibleDescription(), "Ellipse");
    EXPECT_FALSE(p.document.annotations().front().fill);
    EXPECT_EQ(p.document.revision(), revision);
    EXPECT_EQ(spot.id, p.document.annotations().front().id);
}

// Down opens the menu, which a reader hears by its button's name, and the arrows and Return choose.
TEST(AnnotationToolProperties, TheMenusOpenOnDownAndCarryTheirButtonsNames) {
    Properties p;
    p.settings.choose(QStringLiteral("Magnifier"));
    p.show();
    QString opened;
    QTimer::singleShot(0, [&opened] {
        QWidget* menu = QApplication::activePopupWidget();
        if (menu == nullptr) return;
        opened = menu->accessibleName();
        for (const int key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}) {
            QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(menu, &event);
        }
    });
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(p.magnification(), &down);
    EXPECT_EQ(opened, "Magnification");
    EXPECT_NE(p.settings.style().magnification(), 2) << "no choice was made by keys";

    p.settings.choose(QStringLiteral("Spotlight"));
    EXPECT_EQ(p.spotlight()->menu()->accessibleName(), "Spotlight shape");
}

TEST(AnnotationToolProperties, ASelectedArrowShowsNothing) {
    Properties p;
    const Annotation arrow = p.add(AnnotationKind::arrow, QRectF(10, 10, 50, 50));
    p.settings.choose(QStringLiteral("Counter"));
    p.settings.modes().setSelectedID(arrow.id);
    p.show();
    EXPECT_TRUE(p.shown().isEmpty());
}

} // namespace
} // namespace quorvane
