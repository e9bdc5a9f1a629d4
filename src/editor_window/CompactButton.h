#pragma once

class QPushButton;

// Text buttons of the chrome's one-line bars.
namespace quorvane::CompactButton {

// Lets `button` give up the spare width its style prefers when its row is short, down to the
// width its title (and symbol) need; call after setting both.
void allowShrinking(QPushButton& button);

// Draws flat `button` with a push button's frame while the keyboard rests on it, as Qt's styles
// draw a flat button with none and so leave a Tab stop on it unseen.
void showKeyboardFocus(QPushButton& button);

} // namespace quorvane::CompactButton
