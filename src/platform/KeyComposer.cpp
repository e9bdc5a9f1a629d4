#include "platform/KeyComposer.h"

#include "core/Log.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QVarLengthArray>
#include <cstdlib>
#include <optional>
#include <xkbcommon/xkbcommon-compose.h>

namespace quorvane {
namespace {

constexpr const char* moduleVariable = "QT_IM_MODULE";

bool& takenOver() {
    static bool taken = false;
    return taken;
}

// The variable as the person set it, while ours stands in for it.
std::optional<QByteArray>& setBefore() {
    static std::optional<QByteArray> value;
    return value;
}

// The locale the compose tables are read for, found as Qt finds it.
const char* composeLocale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"})
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0') return value;
    return "C";
}

// Whether the focused object takes composed text (a text field), as Qt's own composing asks.
bool focusTakesText() {
    QObject* focus = QGuiApplication::focusObject();
    if (focus == nullptr) return false;
    QInputMethodQueryEvent query(Qt::ImEnabled);
    QCoreApplication::sendEvent(focus, &query);
    return query.value(Qt::ImEnabled).toBool();
}

} // namespace

struct KeyComposer::Tables {
    xkb_context* context = nullptr;
    xkb_compose_table* table = nullptr;
    xkb_compose_state* state = nullptr;
    ~Tables() {
        xkb_compose_state_unref(state);
        xkb_compose_table_unref(table);
        xkb_context_unref(context);
    }
};

void KeyComposer::takeOverFromQt() {
    // Asked again, it starts afresh: what a call before it kept is no longer the person's.
    takenOver() = false;
    setBefore().reset();
    const QByteArray asked = qgetenv(moduleVariable);
    if (!asked.isEmpty() && asked != "compose") return;
    if (qEnvironmentVariableIsSet(moduleVariable)) setBefore() = asked;
    qputenv(moduleVariable, "none");
    takenOver() = true;
}

void KeyComposer::restoreEnvironment() {
    if (!takenOver()) return;
    if (setBefore())
        qputenv(moduleVariable, *setBefore());
    else
        qunsetenv(moduleVariable);
}

bool KeyComposer::isTakenOver() {
    return takenOver();
}

KeyComposer::KeyComposer() {
    // A sequence begun in one field does not end in another.
    if (qGuiApp != nullptr)
        focus_ = QObject::connect(qGuiApp, &QGuiApplication::focusObjectChanged, [this] { reset(); });
}

KeyComposer::~KeyComposer() {
    QObject::disconnect(focus_);
}

void KeyComposer::reset() {
    if (tables_ != nullptr && tables_->state != nullptr) xkb_compose_state_reset(tables_->state);
}

bool KeyComposer::takes(quint32 keySymbol) {
    if (!focusTakesText()) return false;
    if (!loaded_) {
        // Read at the first key typed into a field: the tables take a while, and most runs never
        // need them.
        loaded_ = true;
        auto tables = std::make_unique<Tables>();
        tables->context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
        if (tables->context != nullptr)
            tables->table = xkb_compose_table_new_from_locale(tables->context, composeLocale(),
                                                              XKB_COMPOSE_COMPILE_NO_FLAGS);
        if (tables->table != nullptr)
            tables->state = xkb_compose_state_new(tables->table, XKB_COMPOSE_STATE_NO_FLAGS);
        if (tables->state == nullptr)
            Log::app().error("Dead keys do not compose: no compose table for locale \"{}\"", composeLocale());
        else
            tables_ = std::move(tables);
    }
    if (tables_ == nullptr) return false;
    xkb_compose_state* state = tables_->state;
    xkb_compose_state_feed(state, keySymbol);
    switch (xkb_compose_state_get_status(state)) {
    case XKB_COMPOSE_COMPOSING:
        return true;
    case XKB_COMPOSE_CANCELLED:
        reset();
        return false;
    case XKB_COMPOSE_COMPOSED: {
        const int size = xkb_compose_state_get_utf8(state, nullptr, 0);
        QVarLengthArray<char, 32> text(size + 1);
        xkb_compose_state_get_utf8(state, text.data(), static_cast<size_t>(text.size()));
        reset();
        QInputMethodEvent composed;
        composed.setCommitString(QString::fromUtf8(text.constData(), size));
        QCoreApplication::sendEvent(QGuiApplication::focusObject(), &composed);
        return true;
    }
    case XKB_COMPOSE_NOTHING:
    default:
        return false;
    }
}

} // namespace quorvane
