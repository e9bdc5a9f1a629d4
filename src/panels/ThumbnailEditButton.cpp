#include "panels/ThumbnailEditButton.h"

#include "core/ClickReach.h"
#include "editor_window/ChromeAccessible.h"

namespace quorvane {
namespace {

struct NamedAction {
    const char* name;
    ThumbnailAction action;
};
constexpr NamedAction namedActions[] = {{"Copy", ThumbnailAction::copy},
                                        {"Save", ThumbnailAction::save},
                                        {"Pin", ThumbnailAction::pin},
                                        {"Close", ThumbnailAction::close}};

// The chrome's button, whose tool tip adds nothing to its name: it is described by its value.
class EditAccessible : public ChromeAccessible {
public:
    explicit EditAccessible(ThumbnailEditButton* button) : ChromeAccessible(button) {}

    QStringList actionNames() const override {
        QStringList names{pressAction()};
        for (const NamedAction& named : namedActions)
            names << QString::fromLatin1(named.name);
        return names;
    }
    void doAction(const QString& name) override {
        if (!ClickReach::reaches(*widget())) return;
        if (name == pressAction()) return button()->click();
        for (const NamedAction& named : namedActions)
            if (name == QLatin1String(named.name)) return button()->performNamed(named.action);
    }

private:
    ThumbnailEditButton* button() const { return static_cast<ThumbnailEditButton*>(widget()); }
};

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (auto* button = qobject_cast<ThumbnailEditButton*>(object)) return new EditAccessible(button);
    return nullptr;
}

} // namespace

ThumbnailEditButton::ThumbnailEditButton(std::function<void(ThumbnailAction)> perform, QWidget* parent)
    : QAbstractButton(parent), perform_(std::move(perform)) {
    // The chrome's factory would take this button too: ours goes in after it, and is asked first.
    ChromeAccessible::install();
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
    setFocusPolicy(Qt::NoFocus);
    setToolTip(QStringLiteral("Edit screenshot"));
    setAccessibleName(QStringLiteral("Edit Screenshot"));
    connect(this, &QAbstractButton::clicked, this, [this] { perform_(ThumbnailAction::edit); });
}

} // namespace quorvane
