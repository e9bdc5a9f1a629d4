#pragma once

#include "export/ImageExporterFormat.h"

#include <QString>
#include <functional>
#include <optional>

class QObject;

namespace quorvane {

// The settings an export reads and writes, declared here so that the export controller needs
// nothing of the shell; the preferences implement it.
class ExportSettings {
public:
    virtual ~ExportSettings() = default;

    // An absolute folder path; it need not exist yet.
    virtual QString saveFolder() const = 0;
    virtual void setSaveFolder(const QString& folder) = 0;
    virtual ImageExporter::Format format() const = 0;
    virtual double jpegQuality() const = 0;
    virtual bool hideAfterSave() const = 0;
    // The path of the newest saved file ("lastExport"), kept whether or not the file still exists.
    virtual std::optional<QString> lastExport() const = 0;
    virtual void setLastExport(const QString& path) = 0;
    // Calls `changed` after each change of the settings above, while `context` lives.
    virtual void onExportSettingsChanged(QObject* context, std::function<void()> changed) = 0;
};

} // namespace quorvane
