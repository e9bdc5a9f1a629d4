#include "app/DiscardQuestion.h"

#include "core/AppIdentity.h"

#include <QMessageBox>
#include <QPushButton>

namespace quorvane {

DiscardQuestion::DiscardQuestion(QObject* parent) : QObject(parent) {}

DiscardQuestion::~DiscardQuestion() {
    dismiss();
}

void DiscardQuestion::ask(QWidget* window, const QString& action, std::function<void(bool)> reply) {
    dismiss();
    auto* box = new QMessageBox(window);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(QString::fromLatin1(applicationName));
    box->setText(QString::fromUtf8(title));
    box->setInformativeText(action + QStringLiteral(" discards edits that were not copied or saved."));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(window != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    QPushButton* cancel = box->addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    QPushButton* discard = box->addButton(QStringLiteral("Discard"), QMessageBox::DestructiveRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    box_ = box;
    connect(box, &QMessageBox::finished, this, [this, box, discard, reply = std::move(reply)] {
        if (box_ != box) return; // dismissed: nobody waits for this answer any more
        box_ = nullptr;
        reply(box->clickedButton() == discard);
    });
    if (window != nullptr) {
        window->raise();
        window->activateWindow();
    }
    box->open();
    // The question takes the keyboard itself, however it came (a key in the editor, a signal while
    // another program had it): a window manager may leave it with the editor behind it.
    box->raise();
    box->activateWindow();
}

void DiscardQuestion::dismiss() {
    if (QMessageBox* box = box_) {
        box_ = nullptr;
        box->close();
    }
}

} // namespace quorvane
