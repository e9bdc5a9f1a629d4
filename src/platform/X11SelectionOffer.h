#pragma once

#include "platform/ClipboardOffer.h"
#include "platform/X11SelectionTransfer.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>

namespace quorvane {

// Another program's offer on the X server: the clipboard, or the data of a drag dropped on one
// of our windows. Reads wait for that program: on a worker thread only.
class X11SelectionOffer : public ClipboardOffer {
public:
    // `selection` is "CLIPBOARD" or "XdndSelection", wanted as it was at `time` (0: now). `formats`,
    // when the caller knows them already (a drag lists its types), are not asked.
    X11SelectionOffer(QByteArray selection, std::uint32_t time, std::optional<QStringList> formats,
                      std::chrono::milliseconds silence = X11SelectionTransfer::defaultSilence);
    ~X11SelectionOffer() override;

    // Asks for `format` now, before returning; the next read of it takes the answer. A drop asks
    // before it returns: its source may stop serving once it hears that the drop is over.
    void askNow(const QString& format);

    QStringList formats() override;
    Result<void, ClipboardReadError> receive(const QString& format, SelectionSink& sink) override;
    bool waitsOnOthers() const override { return true; }
    void cancel() override { cancelled_ = true; }

private:
    X11SelectionTransfer::Request request(const QString& format) const;

    QByteArray selection_;
    std::uint32_t time_;
    std::optional<QStringList> formats_;
    std::chrono::milliseconds silence_;
    std::atomic<bool> cancelled_{false};
    QString asked_;
    std::unique_ptr<X11SelectionTransfer> askedTransfer_;
};

} // namespace quorvane
