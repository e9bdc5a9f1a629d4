#include "app/Preferences.h"

#include "core/Log.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

const QString migratedKey = QStringLiteral("migratedFromTolmDomain");
const QString hotKeysKey = QStringLiteral("hotKeys");
const QString hotKeyActionsKey = QStringLiteral("hotKeyActions");

QString picturesFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QDir::isAbsolutePath(pictures) ? pictures : QDir::homePath() + QStringLiteral("/Pictures");
}

// A relative folder would save wherever the program happened to start.
std::optional<QString> folder(const SettingsStore& defaults, const QString& key) {
    const auto path = defaults.string(key);
    if (!path || !QDir::isAbsolutePath(*path)) return std::nullopt;
    return path;
}

double clampedQuality(double quality) {
    return std::clamp(quality, 0.0, 1.0);
}

std::optional<Preferences::HotKeys> storedHotKeys(const SettingsStore& defaults) {
    const auto text = defaults.string(hotKeysKey);
    if (!text) return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text->toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    Preferences::HotKeys hotKeys;
    const QJsonObject stored = document.object();
    for (auto it = stored.begin(); it != stored.end(); ++it) {
        // One undecodable binding makes the whole map unusable.
        const auto binding = HotKeyBinding::fromJson(it.value());
        if (!binding) return std::nullopt;
        if (const auto action = hotKeyAction(it.key())) hotKeys[*action] = *binding;
    }
    std::vector<HotKeyAction> known(Preferences::originalHotKeyActions.begin(),
                                    Preferences::originalHotKeyActions.end());
    if (const auto names = defaults.stringArray(hotKeyActionsKey)) {
        known.clear();
        for (const QString& name : *names)
            if (const auto action = hotKeyAction(name)) known.push_back(*action);
    }
    // An action the store has never seen gets its default; a shortcut the user cleared stays cleared.
    for (HotKeyAction action : allHotKeyActions) {
        if (std::find(known.begin(), known.end(), action) != known.end()) continue;
        const auto& fallback = HotKeyCenter::defaultBindings();
        if (const auto given = fallback.find(action); given != fallback.end())
            hotKeys[action] = given->second;
        else
            hotKeys.erase(action);
    }
    return hotKeys;
}

} // namespace

// Every stored field as a start reads it: each one on its own falls back when its value is
// missing or unusable.
Preferences::Stored Preferences::read(const SettingsStore& defaults) {
    Stored stored;
    stored.saveFolder =
        folder(defaults, QStringLiteral("saveFolder"))
            .value_or(folder(defaults, QStringLiteral("exportFolder")).value_or(picturesFolder()));
    // Exactly "jpeg": "JPEG" is not a format.
    if (defaults.string(QStringLiteral("exportFormat")) == QStringLiteral("jpeg"))
        stored.format = ImageExporter::Format::jpeg;
    if (const auto quality = defaults.number(QStringLiteral("jpegQuality"));
        quality && std::isfinite(*quality))
        stored.jpegQuality = clampedQuality(*quality);
    stored.hideAfterSave = defaults.boolean(QStringLiteral("hideAfterSave")).value_or(false);
    if (const auto raw = defaults.string(QStringLiteral("postCaptureAction")))
        stored.postCaptureAction = quorvane::postCaptureAction(*raw).value_or(PostCaptureAction::openEditor);
    stored.hotKeys = storedHotKeys(defaults).value_or(HotKeyCenter::defaultBindings());
    if (const auto raw = defaults.string(QStringLiteral("autoScrollSpeed")))
        stored.autoScrollSpeed = quorvane::autoScrollSpeed(*raw).value_or(AutoScrollSpeed::normal);
    return stored;
}

Preferences::Preferences(SettingsStore& defaults, QObject* parent) : QObject(parent), defaults_(defaults) {
    stored_ = read(defaults);
    connect(&defaults, &SettingsStore::changedElsewhere, this, &Preferences::takeStoredChanges);
}

void Preferences::takeStoredChanges(const QStringList& keys) {
    Log::app().log("Settings changed by another instance: {}", keys.join(QStringLiteral(", ")));
    const Stored stored = read(defaults_);
    // Every field is in place before anyone hears of one, and nothing is written back: the
    // values are the stored ones already.
    std::vector<void (Preferences::*)()> changed;
    const auto take = [&changed](auto& field, const auto& value, void (Preferences::*signal)()) {
        if (field == value) return;
        field = value;
        changed.push_back(signal);
    };
    take(stored_.saveFolder, stored.saveFolder, &Preferences::saveFolderChanged);
    take(stored_.format, stored.format, &Preferences::formatChanged);
    take(stored_.jpegQuality, stored.jpegQuality, &Preferences::jpegQualityChanged);
    take(stored_.hideAfterSave, stored.hideAfterSave, &Preferences::hideAfterSaveChanged);
    take(stored_.postCaptureAction, stored.postCaptureAction, &Preferences::postCaptureActionChanged);
    take(stored_.autoScrollSpeed, stored.autoScrollSpeed, &Preferences::autoScrollSpeedChanged);
    take(stored_.hotKeys, stored.hotKeys, &Preferences::hotKeysChanged);
    for (auto signal : changed)
        Q_EMIT(this->*signal)();
}

void Preferences::migrateLegacyDomain(const std::optional<QJsonObject>& earlier, SettingsStore& target) {
    if (target.boolean(migratedKey).value_or(false)) return;
    QJsonObject changes;
    // Damaged settings may have lost the marker with other entries: they were ours, so the copy
    // was done long ago, and the earlier values must not come back in place of the lost ones.
    if (earlier && !target.foundDamaged())
        for (auto it = earlier->begin(); it != earlier->end(); ++it)
            if (!target.contains(it.key())) changes.insert(it.key(), it.value());
    changes.insert(migratedKey, true);
    if (const auto saved = target.setValues(changes); !saved)
        Log::app().error("Settings not saved: {}", saved.error().message);
}

Preferences::HotKeyErrors Preferences::hotKeyMessages(const HotKeyCenter::Errors& errors) {
    HotKeyErrors messages;
    for (const auto& [action, error] : errors) {
        switch (error) {
        case HotKeyRegistrationError::conflict:
            messages[action] = QStringLiteral("In use by another app or Quorvane action");
            break;
        case HotKeyRegistrationError::systemShortcut:
            messages[action] = QStringLiteral("Reserved by the desktop");
            break;
        case HotKeyRegistrationError::screenshotShortcut:
            messages[action] = QStringLiteral("Reserved for the desktop's screenshot shortcuts");
            break;
        case HotKeyRegistrationError::invalid:
            messages[action] = QStringLiteral("Add Ctrl, Alt or Super");
            break;
        }
    }
    return messages;
}

void Preferences::store(const QJsonObject& changes) {
    if (const auto saved = defaults_.setValues(changes); !saved)
        Log::app().error("Settings not saved: {}", saved.error().message);
}

template<class T>
void Preferences::change(T& field, const T& value, const QString& key, const QJsonValue& stored,
                         void (Preferences::*changed)()) {
    if (field == value) return;
    field = value;
    store({{key, stored}});
    Q_EMIT(this->*changed)();
}

void Preferences::setSaveFolder(const QString& folder) {
    change(stored_.saveFolder, folder, QStringLiteral("saveFolder"), folder, &Preferences::saveFolderChanged);
}

void Preferences::setFormat(ImageExporter::Format format) {
    change(stored_.format, format, QStringLiteral("exportFormat"), ImageExporter::rawValue(format),
           &Preferences::formatChanged);
}

void Preferences::setJpegQuality(double quality) {
    // Observers only ever see the corrected value.
    const double corrected = std::isfinite(quality) ? clampedQuality(quality) : stored_.jpegQuality;
    change(stored_.jpegQuality, corrected, QStringLiteral("jpegQuality"), corrected,
           &Preferences::jpegQualityChanged);
}

void Preferences::setHideAfterSave(bool hide) {
    change(stored_.hideAfterSave, hide, QStringLiteral("hideAfterSave"), hide,
           &Preferences::hideAfterSaveChanged);
}

std::optional<QString> Preferences::lastExport() const {
    return defaults_.string(QStringLiteral("lastExport"));
}

void Preferences::setLastExport(const QString& path) {
    store({{QStringLiteral("lastExport"), path}});
}

void Preferences::onExportSettingsChanged(QObject* context, std::function<void()> changed) {
    auto relay = std::make_shared<std::function<void()>>(std::move(changed));
    for (auto signal : {&Preferences::saveFolderChanged, &Preferences::formatChanged,
                        &Preferences::jpegQualityChanged, &Preferences::hideAfterSaveChanged})
        connect(this, signal, context, [relay] { (*relay)(); });
}

void Preferences::setPostCaptureAction(PostCaptureAction action) {
    change(stored_.postCaptureAction, action, QStringLiteral("postCaptureAction"), rawValue(action),
           &Preferences::postCaptureActionChanged);
}

void Preferences::setAutoScrollSpeed(AutoScrollSpeed speed) {
    change(stored_.autoScrollSpeed, speed, QStringLiteral("autoScrollSpeed"), rawValue(speed),
           &Preferences::autoScrollSpeedChanged);
}

void Preferences::setHotKeys(const HotKeys& hotKeys) {
    if (hotKeys == stored_.hotKeys) return;
    stored_.hotKeys = hotKeys;
    QJsonObject encoded;
    for (const auto& [action, binding] : hotKeys)
        encoded.insert(rawValue(action), binding.toJson());
    QJsonArray known;
    for (HotKeyAction action : allHotKeyActions)
        known.append(rawValue(action));
    // Kept as JSON text, so that text that is not JSON falls back to the defaults as a whole.
    store({{hotKeysKey, QString::fromUtf8(QJsonDocument(encoded).toJson(QJsonDocument::Compact))},
           {hotKeyActionsKey, known}});
    Q_EMIT hotKeysChanged();
}

void Preferences::setHotKeyErrors(const HotKeyErrors& errors) {
    if (errors == hotKeyErrors_) return;
    hotKeyErrors_ = errors;
    Q_EMIT hotKeyErrorsChanged();
}

} // namespace quorvane
