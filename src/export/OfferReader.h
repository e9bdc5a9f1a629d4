#pragma once

#include "platform/ClipboardOffer.h"
#include "platform/InputHold.h"

#include <QObject>
#include <functional>
#include <memory>

namespace quorvane {

class SerialWorkQueue;

// Reads what a paste or a drop offers without the window waiting on the program that offers it:
// contents held in this process are read at once, another program's on a worker thread, and the
// outcome comes back to the GUI thread. A newer read supersedes one underway, which is cancelled;
// so does the reader's end. A read may keep a window's input waiting (an InputHold's token) until its
// outcome is in place.
class OfferReader : public QObject {
public:
    explicit OfferReader(QObject* parent = nullptr);
    ~OfferReader() override;

    // Runs `reading` on `offer` (on the worker when it waits on another program), then `done` with its
    // result on the GUI thread, unless superseded meanwhile.
    template<class Read, class Done>
    void read(std::shared_ptr<ClipboardOffer> offer, Read reading, Done done) {
        read(std::move(offer), InputHold::Token(), std::move(reading), std::move(done));
    }
    // The same, keeping `held` until `done` has run, or until the read is superseded or cancelled.
    template<class Read, class Done>
    void read(std::shared_ptr<ClipboardOffer> offer, InputHold::Token held, Read reading, Done done) {
        run(std::move(offer), std::move(held),
            [reading = std::move(reading), done = std::move(done)](ClipboardOffer& o) {
                auto result = std::make_shared<decltype(reading(o))>(reading(o));
                return std::function<void()>([done, result] { done(std::move(*result)); });
            });
    }
    // Ends the read underway, if any: its outcome never comes, and what it held goes on.
    void cancel();

private:
    void run(std::shared_ptr<ClipboardOffer> offer, InputHold::Token held,
             std::function<std::function<void()>(ClipboardOffer&)> job);

    std::uint64_t generation_ = 0;
    std::shared_ptr<ClipboardOffer> current_;
    InputHold::Token held_;
    std::unique_ptr<SerialWorkQueue> worker_;
};

} // namespace quorvane
