#include "platform/X11SelectionReader.h"

#include "platform/ClipboardLimitSink.h"

#include <cstring>
#include <vector>
#include <xcb/xcb.h>

namespace quorvane::X11SelectionReader {
namespace {

// The first atoms of a TARGETS answer.
class AtomList : public SelectionSink {
public:
    Next expect(std::int64_t, bool) override { return Next::more; }
    Next take(QByteArrayView piece) override {
        bytes_.append(piece.first(std::min<qsizetype>(piece.size(), room())));
        return room() > 0 ? Next::more : Next::enough;
    }
    Next end() override { return Next::more; }
    std::int64_t room() const override { return std::int64_t{mostTargets} * 4 - bytes_.size(); }

    std::vector<std::uint32_t> atoms() const {
        std::vector<std::uint32_t> atoms(static_cast<std::size_t>(bytes_.size() / 4));
        std::memcpy(atoms.data(), bytes_.constData(), atoms.size() * 4);
        return atoms;
    }

private:
    QByteArray bytes_;
};

} // namespace

Result<QByteArray, ClipboardReadError> read(const QString& format, const ClipboardLimit& limit,
                                            std::chrono::milliseconds silence) {
    X11SelectionTransfer transfer({QByteArrayLiteral("CLIPBOARD"), format.toUtf8(), 0, silence});
    ClipboardLimitSink sink(limit);
    if (auto received = transfer.receive(sink); !received) return Failure{received.error()};
    return sink.takeBytes();
}

Result<QStringList, ClipboardReadError> targets(X11SelectionTransfer::Request request,
                                                const std::atomic<bool>* cancelled) {
    // A question that nobody wants answered any more is not asked.
    if (cancelled != nullptr && cancelled->load())
        return Failure{ClipboardReadError{ClipboardReadError::Kind::stopped}};
    request.target = QByteArrayLiteral("TARGETS");
    X11SelectionTransfer transfer(request);
    AtomList list;
    if (auto received = transfer.receive(list, cancelled); !received) return Failure{received.error()};
    // Atoms come as 32-bit values; a holder that answers otherwise offers nothing we can name.
    if (transfer.format() != 32 || (transfer.type() != XCB_ATOM_ATOM && transfer.type() != XCB_ATOM_NONE))
        return QStringList();
    const std::vector<std::uint32_t> atoms = list.atoms();
    QStringList names = transfer.atomNames(atoms);
    names.removeAll(QString());
    return names;
}

} // namespace quorvane::X11SelectionReader
