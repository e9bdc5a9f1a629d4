#pragma once

// Three screenshots drawn in code with known text, for the recognition benchmarks: a page of
// prose, a code editor full of text and a dialog with a QR code.

#include "support/TextImages.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QStringList>

namespace quorvane::bench {

struct Screenshot {
    QString name;
    QImage image;
    QStringList lines; // the text of each drawn row, top to bottom
};

inline QStringList words() {
    return QString::fromLatin1(
               "the quick brown fox jumps over a lazy dog while seven wizards quietly hex jovial "
               "gnomes pack my box with five dozen liquor jugs before noon sphinx of black quartz judge "
               "solemn vow how vexingly daft zebras jump bright vixens dozy fowl quack at dawn screenshot "
               "editor annotation capture window display selection recognise export clipboard file "
               "folder image pixel colour border shadow arrow text line number value result")
        .split(QLatin1Char(' '));
}

// Deterministic words, so that every run draws the same page.
inline QString sentence(int seed, int count) {
    const QStringList pool = words();
    QStringList picked;
    unsigned state = unsigned(seed) * 2654435761u + 12345u;
    for (int i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        picked.append(pool[int((state >> 8) % unsigned(pool.size()))]);
    }
    QString text = picked.join(QLatin1Char(' '));
    text[0] = text[0].toUpper();
    return text;
}

inline Screenshot prosePage() {
    Screenshot shot{QStringLiteral("prose 1920x1080"), test::whiteImage(1920, 1080), {}};
    QPainter(&shot.image).fillRect(0, 0, 1920, 40, QColor(0xe8, 0xe8, 0xe8));
    shot.lines.append(QStringLiteral("Notes on capturing the screen"));
    test::drawText(shot.image, shot.lines.back(), {120, 80}, 34);
    for (int i = 0; i < 34; ++i) {
        shot.lines.append(sentence(i, 15 + i % 5));
        test::drawText(shot.image, shot.lines.back(), {120, 150 + i * 27}, 17, false,
                       QColor(0x22, 0x22, 0x22));
    }
    return shot;
}

inline Screenshot codeEditor() {
    Screenshot shot{
        QStringLiteral("code 3840x2160"), QImage(3840, 2160, QImage::Format_RGBA8888_Premultiplied), {}};
    shot.image.fill(QColor(0x1e, 0x1e, 0x1e));
    QPainter(&shot.image).fillRect(0, 0, 3840, 60, QColor(0x32, 0x32, 0x32));
    const QStringList keywords = {"for", "if", "return", "const", "auto", "while"};
    for (int i = 0; i < 68; ++i) {
        const QString code =
            QStringLiteral("%1 %2 (%3 = %4) { %5(%6); }")
                .arg(keywords[i % keywords.size()])
                .arg(sentence(i, 2).toLower().replace(QLatin1Char(' '), QLatin1Char('_')))
                .arg(sentence(i + 100, 1).toLower())
                .arg(i * 37 % 1000)
                .arg(sentence(i + 200, 1).toLower())
                .arg(sentence(i + 300, 3).toLower().replace(QLatin1Char(' '), QLatin1String(", ")));
        const QString number = QString::number(i + 1).rightJustified(3);
        // The gutter is a column of its own.
        shot.lines.append(number.trimmed());
        shot.lines.append(code);
        test::drawText(shot.image, number, {40, 90 + i * 30}, 22, true, QColor(0x85, 0x85, 0x85));
        test::drawText(shot.image, code, {180 + (i % 4) * 56, 90 + i * 30}, 22, true,
                       i % 3 == 0 ? QColor(0x9c, 0xdc, 0xfe) : QColor(0xd4, 0xd4, 0xd4));
    }
    return shot;
}

inline Screenshot dialogWithCode() {
    Screenshot shot{
        QStringLiteral("dialog 1280x800"), QImage(1280, 800, QImage::Format_RGBA8888_Premultiplied), {}};
    shot.image.fill(QColor(0xf0, 0xf0, 0xf0));
    {
        QPainter painter(&shot.image);
        painter.fillRect(0, 0, 1280, 44, QColor(0xdd, 0xdd, 0xdd));
        painter.fillRect(60, 260, 700, 44, Qt::white);
        painter.fillRect(60, 360, 700, 44, Qt::white);
        painter.fillRect(880, 700, 160, 44, QColor(0xe0, 0xe0, 0xe0));
        painter.fillRect(1070, 700, 160, 44, QColor(0x2a, 0x6a, 0xd8));
    }
    const auto add = [&](const QString& text, QPoint at, int size, const QColor& color = Qt::black) {
        shot.lines.append(text);
        test::drawText(shot.image, text, at, size, false, color);
    };
    add(QStringLiteral("Share screenshot"), {540, 10}, 18);
    add(QStringLiteral("Send this capture to another device"), {60, 80}, 26);
    add(QStringLiteral("Scan the code with your phone, or enter the address below."), {60, 140}, 17);
    add(QStringLiteral("Address"), {60, 230}, 16);
    add(QStringLiteral("https://share.example.org/c/48213"), {72, 270}, 17);
    add(QStringLiteral("Expires after"), {60, 330}, 16);
    add(QStringLiteral("24 hours"), {72, 370}, 17);
    add(QStringLiteral("Anyone with the link can view the image."), {60, 450}, 15);
    test::drawBarcode(shot.image, test::BarcodeKind::qr, QStringLiteral("https://share.example.org/c/48213"),
                      {900, 150}, 7);
    shot.lines.append(QStringLiteral("Cancel Share"));
    test::drawText(shot.image, QStringLiteral("Cancel"), {930, 710}, 18);
    test::drawText(shot.image, QStringLiteral("Share"), {1125, 710}, 18, false, Qt::white);
    return shot;
}

} // namespace quorvane::bench
