#pragma once

#include "core/Result.h"
#include "platform/LoginItemService.h"
#include "platform/PosixFile.h"

#include <QString>

namespace quorvane {

// The login item as an XDG autostart entry, "com.quorvane.Quorvane.desktop" in the autostart
// folder, whose Exec line runs the program that runs now. The entry is written whole or not at
// all, and nothing in its place is ever opened in a way that could block (a FIFO) or be followed
// (a symbolic link).
class AutostartLoginItem final : public LoginItemService {
public:
    static constexpr char entryName[] = "com.quorvane.Quorvane.desktop";

    // `program` is the running executable's absolute path; `calls` lets tests fail the writes.
    AutostartLoginItem(QString folder, QString program,
                       const PosixFile::Calls& calls = PosixFile::Calls::system());

    // $XDG_CONFIG_HOME/autostart (by default ~/.config/autostart).
    static QString defaultFolder();

    QString entryPath() const;
    // The entry's text for `program`; fails for a path no Exec line can carry.
    static Result<QString, Error> entryText(const QString& program);

    // No entry: notRegistered; a regular file: enabled when its Exec line starts this program,
    // unless it says Hidden=true or X-GNOME-Autostart-enabled=false (the desktop's own way to
    // switch it off), otherwise notRegistered; a missing program: notFound; anything else:
    // unavailable.
    Status status() const override;
    QString program() const override { return program_; }
    Result<void, Error> registerItem() override;
    Result<void, Error> unregisterItem() override;

private:
    QString folder_;
    QString program_;
    const PosixFile::Calls& calls_;
};

} // namespace quorvane
