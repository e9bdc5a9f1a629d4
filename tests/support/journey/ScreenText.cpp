#include "support/journey/ScreenText.h"

#include "support/WaitUntil.h"
#include "support/XvfbServer.h"
#include "support/journey/Desktop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTemporaryFile>
#include <chrono>
#include <cstdlib>
#include <future>
#include <limits>
#include <map>
#include <set>
#include <tuple>
#include <xcb/xcb.h>

namespace quorvane::journey {
namespace {

constexpr int enlargement = 2;
// Everything darker than this is ink: grey (disabled) text too.
constexpr int lightInk = 215;
// Only dark text: buttons' light frames stay background.
constexpr int darkInk = 150;
// Disabled text in the Fusion style is light grey; enabled text is near black.
constexpr int dimInk = 110;

struct Word {
    std::tuple<int, int, int> line;
    QString text;
    QRect box;
};

// Dark and grey ink both become black on white, at twice the size, so that disabled items
// are read as well as enabled ones.
QImage prepared(const QImage& image, int ink) {
    QImage gray = image.convertToFormat(QImage::Format_Grayscale8)
                      .scaled(image.size() * enlargement, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (int y = 0; y < gray.height(); ++y) {
        uchar* row = gray.scanLine(y);
        for (int x = 0; x < gray.width(); ++x)
            row[x] = row[x] < ink ? 0 : 255;
    }
    return gray;
}

std::vector<Word> recognize(const QImage& image, QPoint origin, Layout layout, int ink = lightInk) {
    QTemporaryFile file(QStringLiteral("journey-XXXXXX.png"));
    if (!file.open() || !prepared(image, ink).save(&file, "PNG")) return {};
    file.close();
    const char* mode = layout == Layout::line ? "7" : layout == Layout::sparse ? "11" : "6";
    QProcess tesseract;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    tesseract.setProcessEnvironment(environment);
    tesseract.start(QStringLiteral("tesseract"),
                    {file.fileName(), QStringLiteral("stdout"), QStringLiteral("--psm"), QString::fromLatin1(mode),
                     QStringLiteral("-l"), QStringLiteral("eng"), QStringLiteral("tsv")});
    // The event loop runs between short waits, so that a ScreenWatch goes on looking meanwhile.
    QElapsedTimer reading;
    reading.start();
    while (!tesseract.waitForFinished(20)) {
        if (tesseract.state() == QProcess::NotRunning || reading.elapsed() > 30000) return {};
        QCoreApplication::processEvents();
    }
    std::vector<Word> found;
    const QStringList rows = QString::fromUtf8(tesseract.readAllStandardOutput()).split(QLatin1Char('\n'));
    for (const QString& row : rows) {
        const QStringList cells = row.split(QLatin1Char('\t'));
        // level 5 rows are words: block, paragraph, line, word, left, top, width, height, conf, text.
        if (cells.size() < 12 || cells[0] != QLatin1String("5") || cells[11].trimmed().isEmpty()) continue;
        const QRect box(cells[6].toInt() / enlargement, cells[7].toInt() / enlargement,
                        (cells[8].toInt() + enlargement - 1) / enlargement,
                        (cells[9].toInt() + enlargement - 1) / enlargement);
        found.push_back({{cells[2].toInt(), cells[3].toInt(), cells[4].toInt()}, cells[11].trimmed(),
                         box.translated(origin)});
    }
    return found;
}

bool isDim(const QImage& image, const QRect& box) {
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    int darkest = 255;
    const QRect inside = box.intersected(gray.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const uchar* row = gray.constScanLine(y);
        for (int x = inside.left(); x <= inside.right(); ++x)
            darkest = std::min<int>(darkest, row[x]);
    }
    return darkest > dimInk;
}

} // namespace

std::vector<TextLine> readScreen(const QRect& region, Layout layout) {
    return readImage(steadyGrab(region), region.topLeft(), layout);
}

std::vector<TextLine> readImage(const QImage& image, QPoint origin, Layout layout) {
    std::map<std::tuple<int, int, int>, TextLine> lines;
    for (const Word& word : recognize(image, origin, layout)) {
        TextLine& line = lines[word.line];
        line.text = line.text.isEmpty() ? word.text : line.text + QLatin1Char(' ') + word.text;
        line.box = line.box.isNull() ? word.box : line.box.united(word.box);
    }
    std::vector<TextLine> result;
    for (auto& [key, line] : lines) {
        line.dim = isDim(image, line.box.translated(-origin));
        result.push_back(line);
    }
    std::sort(result.begin(), result.end(), [](const TextLine& a, const TextLine& b) {
        return std::pair(a.box.top(), a.box.left()) < std::pair(b.box.top(), b.box.left());
    });
    return result;
}

std::vector<TextLine> words(const QImage& image, QPoint origin, Layout layout, bool darkOnly) {
    std::vector<TextLine> result;
    for (const Word& word : recognize(image, origin, layout, darkOnly ? darkInk : lightInk))
        result.push_back({word.text, word.box, isDim(image, word.box.translated(-origin))});
    return result;
}

QString comparable(const QString& text) {
    QString result;
    for (const QChar c : text)
        if (c.isLetterOrNumber()) result += c.toLower();
    return result;
}

namespace {

int editDistance(const QString& a, const QString& b) {
    std::vector<int> previous(b.size() + 1), current(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        previous[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j)
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (a[i - 1] != b[j - 1])});
        std::swap(previous, current);
    }
    return previous[b.size()];
}

} // namespace

int readingDistance(const QString& wanted, const QString& read) {
    // The start of the line, give or take a letter the reading lost or added.
    int best = std::numeric_limits<int>::max();
    for (qsizetype length = std::max<qsizetype>(0, wanted.size() - 2); length <= wanted.size() + 2; ++length)
        best = std::min(best, editDistance(wanted, read.left(length)));
    return best;
}

bool readsLike(const QString& text, const QString& read) {
    const QString wanted = comparable(text);
    return readingDistance(wanted, comparable(read)) <= allowedMisreadings(wanted);
}

int allowedMisreadings(const QString& wanted) {
    // A misread letter in every eight (the reading of small interface text is not perfect).
    return int(wanted.size() / 8) + (wanted.size() >= 5 ? 1 : 0);
}

std::optional<TextLine> findText(const std::vector<TextLine>& lines, const QString& text) {
    const QString wanted = comparable(text);
    std::optional<TextLine> best;
    std::pair<int, qsizetype> bestScore;
    for (const TextLine& line : lines) {
        const QString read = comparable(line.text);
        const int distance = readingDistance(wanted, read);
        if (distance > allowedMisreadings(wanted)) continue;
        const std::pair<int, qsizetype> score(distance, read.size());
        if (!best || score < bestScore) {
            best = line;
            bestScore = score;
        }
    }
    return best;
}

bool endsLike(const QString& text, const QString& ending) {
    const QString wanted = comparable(ending);
    const QString read = comparable(text);
    int best = std::numeric_limits<int>::max();
    for (qsizetype length = std::max<qsizetype>(0, wanted.size() - 2); length <= wanted.size() + 2; ++length)
        best = std::min(best, editDistance(wanted, read.right(length)));
    return best <= allowedMisreadings(wanted);
}

} // namespace quorvane::journey

namespace quorvane::journey {

namespace {

// A line that reads `text` from any of its words on: what stands beside a toast or a label on
// its row (a picture's text beneath, an icon read as letters) comes first in the reading.
bool readsFromAWord(const std::vector<TextLine>& lines, const QString& text) {
    for (const TextLine& line : lines) {
        const QStringList words = line.text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        for (qsizetype first = 0; first < words.size(); ++first)
            if (readsLike(text, words.mid(first).join(QLatin1Char(' ')))) return true;
    }
    return false;
}

} // namespace

bool shows(const QRect& region, const QString& text) {
    return shows(steadyGrab(region), region.topLeft(), text);
}

bool shows(const QImage& image, QPoint origin, const QString& text) {
    const QRect region(origin, image.size());
    for (const Layout layout : {Layout::block, Layout::sparse})
        if (readsFromAWord(readImage(image, region.topLeft(), layout), text)) return true;
    // A line standing alone among other things (a toast, a dialog beside its icon): each row of
    // words read on its own.
    std::vector<TextLine> rows;
    for (const TextLine& word : words(image, region.topLeft(), Layout::sparse, true)) {
        const auto row = std::find_if(rows.begin(), rows.end(), [&](const TextLine& line) {
            return std::abs(line.box.center().y() - word.box.center().y()) <= 6;
        });
        if (row == rows.end()) {
            rows.push_back(word);
            continue;
        }
        row->text += QLatin1Char(' ') + word.text;
        row->box = row->box.united(word.box);
    }
    for (const TextLine& row : rows) {
        // From the same picture: what shows briefly (a toast) may be gone by now.
        const QRect band = row.box.adjusted(-40, -6, 400, 6).intersected(region);
        if (readsFromAWord(readImage(image.copy(band.translated(-region.topLeft())), band.topLeft(), Layout::line),
                           text))
            return true;
    }
    return false;
}

ScreenWatch::ScreenWatch(const QRect& region)
    : region_(region.intersected(QGuiApplication::primaryScreen()->geometry())) {
    // Returns once the first look was taken: the picture before the action.
    std::promise<void> started;
    std::future<void> looked = started.get_future();
    thread_ = std::thread([this, &started] { watch(started); });
    looked.wait();
}

ScreenWatch::~ScreenWatch() {
    stop_ = true;
    thread_.join();
}

namespace {

// The root window's pixels in `region`, as RGB32; none when the server keeps them otherwise than
// in 32 bits of 24 colour bits.
std::optional<QImage> rootPicture(xcb_connection_t* connection, xcb_window_t root, const QRect& region) {
    auto* reply = xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, root, static_cast<std::int16_t>(region.x()),
                      static_cast<std::int16_t>(region.y()), static_cast<std::uint16_t>(region.width()),
                      static_cast<std::uint16_t>(region.height()), ~0U),
        nullptr);
    if (reply == nullptr) return std::nullopt;
    std::optional<QImage> picture;
    const qsizetype bytes = qsizetype(region.width()) * region.height() * 4;
    if (reply->depth == 24 && xcb_get_image_data_length(reply) == bytes) {
        // The fourth byte is not alpha: the conversion makes every pixel opaque.
        picture = QImage(xcb_get_image_data(reply), region.width(), region.height(), region.width() * 4,
                         QImage::Format_ARGB32)
                      .convertToFormat(QImage::Format_RGB32);
    }
    std::free(reply);
    return picture;
}

} // namespace

void ScreenWatch::watch(std::promise<void>& started) {
    xcb_connection_t* connection = xcb_connect(test::x11Server().display().toUtf8().constData(), nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    // A look every 40 ms for a small region, less often for a larger one: the whole screen every
    // 0.15 s still looks many times while a toast shows.
    const auto interval = std::chrono::milliseconds(
        std::max<qint64>(40, qint64(region_.width()) * region_.height() * 75 / 1000000));
    QImage last;
    // Each picture once: a blinking cursor would otherwise keep the reading busy.
    std::set<size_t> seen;
    bool looked = false;
    while (!stop_ && xcb_connection_has_error(connection) == 0) {
        const auto begun = std::chrono::steady_clock::now();
        if (std::optional<QImage> now = rootPicture(connection, root, region_)) {
            // Held still for two looks: not a frame of an animation.
            const bool still = *now == last;
            if (still && seen.insert(qHashBits(now->constBits(), size_t(now->sizeInBytes()))).second) {
                std::lock_guard lock(mutex_);
                unread_.push_back(*now);
            }
            last = std::move(*now);
        }
        if (!looked) {
            looked = true;
            started.set_value();
        }
        std::this_thread::sleep_until(begun + interval);
    }
    if (!looked) started.set_value();
    xcb_disconnect(connection);
}

std::optional<QImage> ScreenWatch::next() {
    std::lock_guard lock(mutex_);
    if (unread_.empty()) return std::nullopt;
    QImage picture = std::move(unread_.front());
    unread_.pop_front();
    return picture;
}

std::optional<QImage> ScreenWatch::waitFor(const std::function<bool(const QImage&)>& found, int timeoutMs) {
    std::optional<QImage> match;
    test::waitUntil(
        [&] {
            while (std::optional<QImage> picture = next()) {
                if (found(*picture)) {
                    match = std::move(picture);
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return match;
}

bool ScreenWatch::waitForText(const QString& text, int timeoutMs) {
    return waitFor([&](const QImage& picture) { return shows(picture, region_.topLeft(), text); }, timeoutMs)
        .has_value();
}

bool waitForText(const QRect& region, const QString& text, int timeoutMs) {
    return test::waitUntil([&] { return shows(region, text); }, timeoutMs);
}

bool waitForNoText(const QRect& region, const QString& text, int timeoutMs) {
    return test::waitUntil([&] { return !shows(region, text); }, timeoutMs);
}

namespace {

// Where `region` shows `text` as a button's title or the start of a line.
std::optional<QRect> clickTarget(const QRect& region, const QString& text) {
    // A button reads exactly its title: look for whole words first ("Resize" is the button, not
    // the heading "Resize Image"), then for the start of a line.
    const QImage image = steadyGrab(region);
    std::vector<TextLine> found = words(image, region.topLeft(), Layout::sparse, true);
    const size_t dark = found.size();
    for (TextLine& word : words(image, region.topLeft(), Layout::sparse)) {
        const bool seen = std::any_of(found.begin(), found.begin() + qsizetype(dark),
                                      [&](const TextLine& other) { return other.box.intersects(word.box); });
        if (!seen) found.push_back(std::move(word));
    }
    const QString wanted = comparable(text);
    // A word run that stands alone in its row (a button's title) beats one inside longer text.
    const auto standsAlone = [&](size_t first, size_t last, const QRect& box) {
        for (size_t i = 0; i < found.size(); ++i) {
            if (i >= first && i <= last) continue;
            const QRect& other = found[i].box;
            if (std::abs(other.center().y() - box.center().y()) > 6) continue;
            if (other.left() - box.right() < 14 && box.left() - other.right() < 14) return false;
        }
        return true;
    };
    std::optional<QRect> target;
    std::pair<int, int> best(allowedMisreadings(wanted) + 1, 0);
    const auto match = [&] {
        for (size_t first = 0; first < found.size(); ++first) {
            QString read;
            QRect box;
            for (size_t last = first; last < found.size() && last < first + 4; ++last) {
                if (last > first && std::abs(found[last].box.center().y() - found[first].box.center().y()) > 6)
                    break;
                read += comparable(found[last].text);
                box = box.isNull() ? found[last].box : box.united(found[last].box);
                const std::pair<int, int> score(editDistance(wanted, read), standsAlone(first, last, box) ? 0 : 1);
                if (score < best) {
                    best = score;
                    target = box;
                }
            }
        }
    };
    match();
    if (!target) {
        // Sparse reading can miss the buttons of a crowded bar that a reading of the whole row finds.
        for (TextLine& word : words(image, region.topLeft(), Layout::line)) {
            const bool seen = std::any_of(found.begin(), found.end(),
                                          [&](const TextLine& other) { return other.box.intersects(word.box); });
            if (!seen) found.push_back(std::move(word));
        }
        match();
    }
    if (!target) {
        if (const auto line = findText(readImage(image, region.topLeft(), Layout::block), text)) target = line->box;
    }
    if (qEnvironmentVariableIsSet("QUORVANE_JOURNEY_DEBUG")) {
        image.save(QStringLiteral("journey-click.png"));
        for (const TextLine& word : found)
            qInfo("read \"%s\" at %d,%d", qUtf8Printable(word.text), word.box.x(), word.box.y());
        if (target) qInfo("clicking %d,%d", target->center().x(), target->center().y());
    }
    return target;
}

} // namespace

bool clickText(const QRect& region, const QString& text, int timeoutMs) {
    std::optional<QRect> target;
    if (!test::waitUntil([&] { return (target = clickTarget(region, text)).has_value(); }, timeoutMs)) return false;
    click(target->center());
    return true;
}

} // namespace quorvane::journey
