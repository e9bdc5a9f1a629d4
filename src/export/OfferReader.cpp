#include "export/OfferReader.h"

#include "core/SerialWorkQueue.h"

#include <QPointer>

namespace quorvane {

OfferReader::OfferReader(QObject* parent) : QObject(parent) {}

OfferReader::~OfferReader() {
    if (current_) current_->cancel();
    worker_.reset();
}

void OfferReader::cancel() {
    ++generation_;
    if (current_) current_->cancel();
    current_.reset();
    held_.release();
}

void OfferReader::run(std::shared_ptr<ClipboardOffer> offer, InputHold::Token held,
                      std::function<std::function<void()>(ClipboardOffer&)> job) {
    // The newer hold is taken before the older goes: nothing of the window's input slips between.
    cancel();
    const std::uint64_t generation = generation_;
    if (!offer->waitsOnOthers()) {
        job(*offer)();
        return;
    }
    current_ = std::move(offer);
    held_ = std::move(held);
    if (!worker_) worker_ = std::make_unique<SerialWorkQueue>(QStringLiteral("Offer reader"));
    worker_->post([this, generation, offer = current_, job = std::move(job)] {
        std::function<void()> done = job(*offer);
        // The worker ends before this reader: it may name it.
        QMetaObject::invokeMethod(
            this,
            [this, generation, done = std::move(done)] {
                if (generation != generation_) return;
                current_.reset();
                // The input that waited acts on the outcome.
                const InputHold::Token waiting = std::move(held_);
                done();
            },
            Qt::QueuedConnection);
    });
}

} // namespace quorvane
