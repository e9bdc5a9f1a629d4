#pragma once

// Assistive technology switched on in this process, as a screen reader's bridge switches it on,
// and what it is told while that lasts. Readers are told nothing while none listens
// (QAccessible::isActive), so a test must switch them on to see what they would hear. Make the
// widgets before: while it lasts, Qt asks for interfaces as widgets are built, and keeps them.

#include <QAccessible>
#include <QStringList>
#include <vector>

namespace quorvane::test {

class ToldReaders {
public:
    ToldReaders();
    ~ToldReaders();
    ToldReaders(const ToldReaders&) = delete;
    ToldReaders& operator=(const ToldReaders&) = delete;

    // The values `object` was told it took, in order.
    QStringList values(const QObject* object) const;
    // How often `object` was told that its description changed.
    int descriptionChanges(const QObject* object) const;

private:
    struct Told {
        const QObject* object;
        QAccessible::Event type;
        QString value;
    };
    static void record(QAccessibleEvent* event);

    std::vector<Told> told_;
};

} // namespace quorvane::test
