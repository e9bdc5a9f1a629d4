#pragma once

#include "platform/ClipboardOffer.h"

#include <QObject>
#include <functional>
#include <memory>

namespace quorvane {

class SerialWorkQueue;

// Reads what a paste or a drop offers without the window waiting on the program that offers it:
// contents held in this process are read at once, another program's on a worker thread, and the
// outcome comes back to the GUI thread. A newer read supersedes one underway, which is cancelled;
// so does the reader's end.
class OfferReader : public QObject {
public:
    explicit OfferReader(QObject* parent = nullptr);
    ~OfferReader() override;

    // Runs `reading` on `offer` (on the worker when it waits on another program), then `done` with its
    // result on the GUI thread, unless superseded meanwhile.
    template<class Read, class Done>
    void read(std::shared_ptr<ClipboardOffer> offer, Read reading, Done done) {
        run(std::move(offer), [reading = std::move(reading), done = std::move(done)](ClipboardOffer& o) {
            auto result = std::make_shared<decltype(reading(o))>(reading(o));
            return std::function<void()>([done, result] { done(std::move(*result)); });
        });
    }

private:
    void run(std::shared_ptr<ClipboardOffer> offer, std::function<std::function<void()>(ClipboardOffer&)> job);

    std::uint64_t generation_ = 0;
    std::shared_ptr<ClipboardOffer> current_;
    std::unique_ptr<SerialWorkQueue> worker_;
};

} // namespace quorvane
