#pragma once

#include "core/Error.h"
#include "core/Result.h"

#include <QFileDialog>
#include <QPointer>

class QMessageBox;

namespace quorvane {

// The save dialog of every export: it refuses the name of anything that already exists, the
// default suffix included ("shot" is refused when "shot.png" exists), says why and stays open,
// since Quorvane never replaces a file. The name written always carries the format's extension.
class NoOverwriteSaveDialog : public QFileDialog {
    Q_OBJECT

public:
    explicit NoOverwriteSaveDialog(QWidget* parent = nullptr);

    // "Quorvane.Export" code 3 when a file, folder or link (dangling too) is at `path`.
    static Result<void, Error> validateNewDestination(const QString& path);

    // `path` ending in an extension of the name filter: the default suffix replaces another
    // image format's extension and follows any other ending.
    QString withFormatExtension(const QString& path) const;

    // The refusal shown last, while it is open.
    QString refusal() const;

public Q_SLOTS:
    void accept() override;

private:
    QPointer<QMessageBox> refusal_;
};

} // namespace quorvane
