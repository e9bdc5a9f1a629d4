#include "app/Subscription.h"

#include <QAction>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// A published value: an action's text, whose `changed` also fires for other changes.
TEST(Subscription, DeliversTheCurrentValueThenOnlyChanges) {
    QAction published(QStringLiteral("a"));
    QObject context;
    std::vector<QString> delivered, afterFirst;
    const std::function<QString()> read = [&] { return published.text(); };
    Subscription::subscribe<QAction, void (QAction::*)(), QString>(
        &context, &published, &QAction::changed, read,
        [&](const QString& value) { delivered.push_back(value); });
    Subscription::subscribe<QAction, void (QAction::*)(), QString>(
        &context, &published, &QAction::changed, read,
        [&](const QString& value) { afterFirst.push_back(value); }, Subscription::First::drop);
    published.setText(QStringLiteral("b"));
    published.setEnabled(false); // fires `changed` with the same text
    published.setText(QStringLiteral("c"));
    published.setText(QStringLiteral("a"));
    EXPECT_EQ(delivered, (std::vector<QString>{"a", "b", "c", "a"}));
    EXPECT_EQ(afterFirst, (std::vector<QString>{"b", "c", "a"}));
}

} // namespace
} // namespace quorvane
