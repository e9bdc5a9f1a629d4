#pragma once

// Keys as the keyboard sends them to a sheet's widgets; an ignored key climbs to the sheet.

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace quorvane::test {

inline void keyClick(QWidget* widget, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

inline void keyClicks(QWidget* widget, const QString& text) {
    for (const QChar character : text)
        keyClick(widget, character.isDigit() ? Qt::Key_0 + character.digitValue() : Qt::Key_A,
                 QString(character));
}

} // namespace quorvane::test
