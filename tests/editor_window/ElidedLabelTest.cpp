#include "editor_window/ElidedLabel.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(ElidedLabel, ShortRoomEndsTheLineWithAnEllipsisAndLendsTheWholeTextAsTip) {
    const QString text = QStringLiteral("Drag from start to point; the curve bends the way you lean");
    ElidedLabel label(text);
    label.show();
    const int whole = label.sizeHint().width();
    EXPECT_LT(label.minimumSizeHint().width(), whole / 4) << "gives way down to a few letters";

    label.resize(whole / 2, 20);
    EXPECT_TRUE(label.text().endsWith(QChar(0x2026))) << label.text().toStdString();
    EXPECT_LE(label.fontMetrics().horizontalAdvance(label.text()), whole / 2);
    EXPECT_EQ(label.fullText(), text);
    EXPECT_EQ(label.toolTip(), text);

    label.resize(whole, 20);
    EXPECT_EQ(label.text(), text);
    EXPECT_TRUE(label.toolTip().isEmpty()) << "shown whole, it needs no tip";

    // A tip of the creator's is never replaced or taken away.
    label.setToolTip(QStringLiteral("Why"));
    label.resize(whole / 2, 20);
    label.resize(whole, 20);
    EXPECT_EQ(label.toolTip(), QStringLiteral("Why"));
}

} // namespace
} // namespace quorvane
