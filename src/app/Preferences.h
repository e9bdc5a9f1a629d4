#pragma once

// The one settings object. Every field but hotKeyErrors is read from the store when the object is
// built, written back on each change, and read again when another instance changed the store
// (each changed field then announces itself as after a change made here). GUI thread only.

#include "app/HotKeyAction.h"
#include "app/HotKeyBinding.h"
#include "app/HotKeyCenter.h"
#include "export/ExportSettings.h"
#include "export/ImageExporterFormat.h"
#include "export/PostCaptureAction.h"
#include "scrolling/AutoScrollSpeed.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <map>
#include <optional>

namespace quorvane {

class SettingsStore;

class Preferences : public QObject, public ExportSettings {
    Q_OBJECT
    Q_PROPERTY(QString saveFolder READ saveFolder WRITE setSaveFolder NOTIFY saveFolderChanged)
    Q_PROPERTY(double jpegQuality READ jpegQuality WRITE setJpegQuality NOTIFY jpegQualityChanged)
    Q_PROPERTY(bool hideAfterSave READ hideAfterSave WRITE setHideAfterSave NOTIFY hideAfterSaveChanged)

public:
    using HotKeys = HotKeyCenter::Bindings;
    using HotKeyErrors = std::map<HotKeyAction, QString>;

    // The actions a store knows when it has no "hotKeyActions".
    static constexpr std::array<HotKeyAction, 4> originalHotKeyActions = {
        HotKeyAction::captureArea, HotKeyAction::captureScreen, HotKeyAction::repeatArea,
        HotKeyAction::recognizeArea};

    // The id this program had before; its settings are copied once into the application's store.
    static constexpr char earlierApplicationId[] = "com.tolm.Tolm";

    // `defaults` is the application's store (made by the composition root, after the one-time copy)
    // or a test's; it must outlive the object.
    explicit Preferences(SettingsStore& defaults, QObject* parent = nullptr);
    // Copies each key of the earlier settings that `target` lacks, once: the marker
    // "migratedFromTolmDomain" is set afterwards, also when there was nothing to copy. Settings
    // found damaged were ours already: only the marker is set.
    static void migrateLegacyDomain(const std::optional<QJsonObject>& earlier, SettingsStore& target);
    // The text shown beside each shortcut that could not be registered.
    static HotKeyErrors hotKeyMessages(const HotKeyCenter::Errors& errors);

    SettingsStore& defaults() const { return defaults_; }

    // An absolute folder path; the Pictures folder by default (created when first saved into).
    QString saveFolder() const override { return stored_.saveFolder; }
    void setSaveFolder(const QString& folder) override;
    ImageExporter::Format format() const override { return stored_.format; }
    void setFormat(ImageExporter::Format format);
    // 0…1; a value out of range is clamped and one that is not a number keeps the previous one.
    double jpegQuality() const override { return stored_.jpegQuality; }
    void setJpegQuality(double quality);
    bool hideAfterSave() const override { return stored_.hideAfterSave; }
    void setHideAfterSave(bool hide);
    // Read from the store each time: only the export controller keeps it.
    std::optional<QString> lastExport() const override;
    void setLastExport(const QString& path) override;
    void onExportSettingsChanged(QObject* context, std::function<void()> changed) override;
    PostCaptureAction postCaptureAction() const { return stored_.postCaptureAction; }
    void setPostCaptureAction(PostCaptureAction action);
    AutoScrollSpeed autoScrollSpeed() const { return stored_.autoScrollSpeed; }
    void setAutoScrollSpeed(AutoScrollSpeed speed);
    // A missing action has no shortcut.
    const HotKeys& hotKeys() const { return stored_.hotKeys; }
    void setHotKeys(const HotKeys& hotKeys);
    // Not stored.
    const HotKeyErrors& hotKeyErrors() const { return hotKeyErrors_; }
    void setHotKeyErrors(const HotKeyErrors& errors);

Q_SIGNALS:
    void saveFolderChanged();
    void formatChanged();
    void jpegQualityChanged();
    void hideAfterSaveChanged();
    void postCaptureActionChanged();
    void autoScrollSpeedChanged();
    void hotKeysChanged();
    void hotKeyErrorsChanged();

private:
    // Every field that is kept in the store.
    struct Stored {
        QString saveFolder;
        ImageExporter::Format format = ImageExporter::Format::png;
        double jpegQuality = 0.9;
        bool hideAfterSave = false;
        PostCaptureAction postCaptureAction = PostCaptureAction::openEditor;
        AutoScrollSpeed autoScrollSpeed = AutoScrollSpeed::normal;
        HotKeys hotKeys;
    };
    static Stored read(const SettingsStore& defaults);
    void takeStoredChanges(const QStringList& keys);

    // Writes before observers hear of the change, so one that changes the field again is the
    // last to write.
    void store(const QJsonObject& changes);
    template<class T>
    void change(T& field, const T& value, const QString& key, const QJsonValue& stored,
                void (Preferences::*changed)());

    SettingsStore& defaults_;
    Stored stored_;
    HotKeyErrors hotKeyErrors_;
};

} // namespace quorvane
