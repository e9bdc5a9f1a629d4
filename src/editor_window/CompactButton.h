#pragma once

class QPushButton;

// Text buttons of the chrome's one-line bars.
namespace quorvane::CompactButton {

// Lets `button` give up the spare width its style prefers when its row is short, down to the
// width its title (and symbol) need; call after setting both.
void allowShrinking(QPushButton& button);

} // namespace quorvane::CompactButton
