#include "export/OfferReader.h"

#include "core/SerialWorkQueue.h"

#include <QPointer>

namespace quorvane {

OfferReader::OfferReader(QObject* parent) : QObject(parent) {}

OfferReader::~OfferReader() {
    if (current_) current_->cancel();
    worker_.reset();
}

void OfferReader::run(std::shared_ptr<ClipboardOffer> offer,
                      std::function<std::function<void()>(ClipboardOffer&)> job) {
    const std::uint64_t generation = ++generation_;
    if (current_) current_->cancel();
    current_.reset();
    if (!offer->waitsOnOthers()) {
        job(*offer)();
        return;
    }
    current_ = std::move(offer);
    if (!worker_) worker_ = std::make_unique<SerialWorkQueue>(QStringLiteral("Offer reader"));
    worker_->post([this, generation, offer = current_, job = std::move(job)] {
        std::function<void()> done = job(*offer);
        // The worker ends before this reader: it may name it.
        QMetaObject::invokeMethod(
            this,
            [this, generation, done = std::move(done)] {
                if (generation != generation_) return;
                current_.reset();
                done();
            },
            Qt::QueuedConnection);
    });
}

} // namespace quorvane
