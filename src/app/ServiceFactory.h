#pragma once

// The composition root's maker of the system services: the real log store, settings file,
// keyboard layout, hot-key grabber, screen capture, clipboard, bell, text recognizer and login
// item of this X11 session.

#include "app/Services.h"

#include <QString>
#include <filesystem>
#include <memory>

namespace quorvane::ServiceFactory {

// $XDG_STATE_HOME/<application id>/log
std::filesystem::path logDirectory();

// The services of this session. Needs the QApplication (the clipboard is its) and is made once,
// on the GUI thread; the settings of the earlier application id are copied before they are read.
// The login item starts `loginProgram`, by default the program that runs now.
std::unique_ptr<Services> make(const QString& loginProgram = {});

} // namespace quorvane::ServiceFactory
