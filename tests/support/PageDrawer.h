#pragma once

// Draws a test page in points at a given scale and records each line of text it draws, with the
// ink box of every word, as the page's truth.

#include "support/PageTruth.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <memory>
#include <utility>
#include <vector>

namespace quorvane::test {

class PageDrawer {
public:
    struct Style {
        qreal size = 13;
        QColor color;
        bool bold = false;
        bool mono = false;
    };
    using Runs = std::vector<std::pair<QString, QColor>>;

    PageDrawer(const QString& name, QSizeF points, int scale, const QColor& background);
    ~PageDrawer();

    void fill(const QRectF& box, const QColor& color, qreal radius = 0);
    void frame(const QRectF& box, const QColor& color, qreal radius = 0, qreal width = 1);
    void line(QPointF from, QPointF to, const QColor& color, qreal width = 1.5);
    void disc(QPointF centre, qreal radius, const QColor& color);
    void ring(QPointF centre, qreal radius, const QColor& color, qreal width = 1.5);
    void polygon(const std::vector<QPointF>& points, const QColor& color);
    // A Highlight annotation over `box`, drawn as the document draws it.
    void highlight(const QRectF& box, const QColor& color, double opacity);

    // One line of text with the top of its line box at `at`; returns its width in points.
    qreal text(QPointF at, const QString& text, const Style& style, int column, int group);
    // One line made of differently coloured pieces.
    void runs(QPointF at, const Runs& runs, const Style& style, int column, int group);
    // `text` cut into lines no wider than `width`, `spacing` apart.
    qreal paragraph(QPointF at, qreal width, qreal spacing, const QString& text, const Style& style,
                    int column, int group);
    qreal width(const QString& text, const Style& style) const;

    QImage image() const { return image_; }
    const PageTruth& truth() const { return truth_; }

private:
    QFont font(const Style& style) const;
    int px(qreal points) const;
    QRect inkOf(const QString& word, const QFont& font, QPoint baseline) const;

    int scale_;
    QImage image_;
    std::unique_ptr<QPainter> painter_;
    PageTruth truth_;
};

} // namespace quorvane::test
