#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <atomic>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace quorvane::journey {

// What a person reads on the screen: lines of text found by the `tesseract` program (not the
// program under test's recognizer), with where they stand and whether they are drawn dim (a
// disabled menu item or button).
struct TextLine {
    QString text;
    // In screen coordinates.
    QRect box;
    bool dim = false;
};

enum class Layout { block, line, sparse };

// The lines of text in `region` of the screen as it is now.
std::vector<TextLine> readScreen(const QRect& region, Layout layout = Layout::block);
// The same for an image whose top-left stands at `origin` on the screen.
std::vector<TextLine> readImage(const QImage& image, QPoint origin = {}, Layout layout = Layout::block);
// Letters and digits only, lower case: what matching compares.
QString comparable(const QString& text);
// Letters lost or added by the reading that still count as reading `wanted`.
int allowedMisreadings(const QString& wanted);
// The line that reads `text` at its start (a key equivalent may follow on the same line),
// preferring the closest, then the shortest, such line.
std::optional<TextLine> findText(const std::vector<TextLine>& lines, const QString& text);
// Whether `read` starts with `text`, or ends with `ending`, up to misreadings.
bool readsLike(const QString& text, const QString& read);
bool endsLike(const QString& text, const QString& ending);
// Whether `region` of the screen shows a line that reads `text` from one of its words on, however
// the text stands (in a block, over a picture's text, beside an icon): several readings are tried.
bool shows(const QRect& region, const QString& text);
// Whether a picture of the screen whose top-left stands at `origin` shows such a line.
bool shows(const QImage& picture, QPoint origin, const QString& text);
// Reads `region` until it `shows` `text`, up to the bound; whether it did.
bool waitForText(const QRect& region, const QString& text, int timeoutMs = 10000);
// Reads `region` until it no longer `shows` `text`, up to the bound; whether it went.
bool waitForNoText(const QRect& region, const QString& text, int timeoutMs = 10000);
// Reads `region` (a window, a dialog) until a line reads `text` (a button's title) and clicks its
// middle; false when no line reads so within the bound.
bool clickText(const QRect& region, const QString& text, int timeoutMs = 10000);
// Keeps each picture `region` holds still on from its making on, while the test goes on and
// while it reads. Made before the action, it catches what shows only for a while (a toast, 2.5 s)
// however long the action takes to arrive on a busy machine, however slowly the pictures are read
// and whatever the test waits for meanwhile: it looks from a thread and X connection of its own,
// not from the test's event loop, which stands still while a helper program runs.
class ScreenWatch {
public:
    explicit ScreenWatch(const QRect& region);
    ~ScreenWatch();
    ScreenWatch(const ScreenWatch&) = delete;
    ScreenWatch& operator=(const ScreenWatch&) = delete;
    // Reads the pictures kept, oldest first, until `found` holds for one; that picture, or none
    // when none did within the bound.
    std::optional<QImage> waitFor(const std::function<bool(const QImage&)>& found, int timeoutMs = 20000);
    // Until one `shows` `text`; whether one did.
    bool waitForText(const QString& text, int timeoutMs = 20000);
    QRect region() const { return region_; }

private:
    void watch(std::promise<void>& started);
    std::optional<QImage> next();

    const QRect region_;
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::deque<QImage> unread_;
    std::thread thread_;
};

// The words of all lines, each as its own line (for a menu bar's titles).
// `darkOnly` reads only dark ink, past the light frames of buttons.
std::vector<TextLine> words(const QImage& image, QPoint origin, Layout layout = Layout::line, bool darkOnly = false);

} // namespace quorvane::journey
