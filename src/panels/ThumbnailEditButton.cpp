#include "panels/ThumbnailEditButton.h"

#include <QAccessibleWidget>

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

class EditAccessible : public QAccessibleWidget {
public:
    explicit EditAccessible(ThumbnailEditButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) return button()->accessibilityValue();
        return QAccessibleWidget::text(kind);
    }
    QStringList actionNames() const override {
        QStringList names{pressAction()};
        for (const NamedAction& named : namedActions)
            names << QString::fromLatin1(named.name);
        return names;
    }
    void doAction(const QString& name) override {
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
