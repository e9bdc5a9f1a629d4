#include "platform/GSettingsKey.h"

#include <QAbstractEventDispatcher>
#include <QTimer>
#include <cstring>
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

namespace quorvane {
namespace {

// GLib falls back to these when no store is installed: they keep nothing another program set.
bool keepsNothing(GSettingsBackend* backend) {
    const char* type = G_OBJECT_TYPE_NAME(backend);
    return std::strcmp(type, "GMemorySettingsBackend") == 0 || std::strcmp(type, "GNullSettingsBackend") == 0;
}

// Changes are announced through GLib's main loop, which Qt's event loop runs unless it was told
// not to (QT_NO_GLIB): then this one turns it now and then.
constexpr int glibTurnMilliseconds = 500;

} // namespace

std::unique_ptr<GSettingsKey> GSettingsKey::boolean(const std::string& schema, const std::string& key,
                                                    const std::filesystem::path& keyFile) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr) return nullptr;
    GSettingsSchema* found = g_settings_schema_source_lookup(source, schema.c_str(), TRUE);
    if (found == nullptr) return nullptr;
    bool usable = g_settings_schema_has_key(found, key.c_str()) != 0;
    if (usable) {
        GSettingsSchemaKey* described = g_settings_schema_get_key(found, key.c_str());
        usable = g_variant_type_equal(g_settings_schema_key_get_value_type(described), G_VARIANT_TYPE_BOOLEAN) != 0;
        g_settings_schema_key_unref(described);
    }
    GSettingsBackend* backend = nullptr;
    if (usable) {
        backend = keyFile.empty() ? g_settings_backend_get_default()
                                  : g_keyfile_settings_backend_new(keyFile.c_str(), "/", nullptr);
        usable = !keepsNothing(backend);
    }
    GSettings* settings = usable ? g_settings_new_full(found, backend, nullptr) : nullptr;
    if (backend != nullptr) g_object_unref(backend);
    g_settings_schema_unref(found);
    if (settings == nullptr) return nullptr;

    std::unique_ptr<GSettingsKey> watched(new GSettingsKey(settings, key));
    const std::string signal = "changed::" + key;
    watched->handler_ = g_signal_connect_swapped(
        settings, signal.c_str(), G_CALLBACK(+[](GSettingsKey* self) { Q_EMIT self->changed(); }), watched.get());
    // The store announces a change only for a value that was read since.
    watched->value();
    const auto* dispatcher = QAbstractEventDispatcher::instance();
    if (dispatcher != nullptr && !dispatcher->inherits("QEventDispatcherGlib")) {
        auto* turn = new QTimer(watched.get());
        connect(turn, &QTimer::timeout, [] { g_main_context_iteration(nullptr, FALSE); });
        turn->start(glibTurnMilliseconds);
    }
    return watched;
}

GSettingsKey::GSettingsKey(_GSettings* settings, std::string key) : settings_(settings), key_(std::move(key)) {}

GSettingsKey::~GSettingsKey() {
    g_signal_handler_disconnect(settings_, handler_);
    g_object_unref(settings_);
}

bool GSettingsKey::value() const {
    return g_settings_get_boolean(settings_, key_.c_str()) != 0;
}

} // namespace quorvane
