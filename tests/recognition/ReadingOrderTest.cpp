#include "platform/TesseractEngineFactory.h"
#include "platform/TesseractLanguageData.h"
#include "platform/ZXingBarcodeReader.h"
#include "recognition/TextRecognizer.h"
#include "support/PageDrawer.h"

#include <functional>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::PageDrawer;

// A page drawn at a scale, and the orders its texts must be read in: each chain in its order,
// every text found once among the recognised lines.
struct Picture {
    const char* name;
    std::function<void(PageDrawer&)> draw;
    QSizeF size;
    std::vector<QStringList> chains;
};

const QColor ink("#1f2328"), dim("#59636e");

// Words of one row, each `gap` points after the last.
void words(PageDrawer& page, QPointF at, const QStringList& texts, qreal gap,
           const PageDrawer::Style& style) {
    for (const QString& text : texts)
        at.rx() += page.text(at, text, style, 0, -1) + gap;
}

void body(PageDrawer& page, QPointF at, const QStringList& lines,
          const PageDrawer::Style& style = {14, ink}) {
    for (const QString& line : lines)
        page.text(at, line, style, 0, -1), at.ry() += style.size * 1.7;
}

const QStringList prose = {"Quorvane keeps every capture you take", "on this computer until you delete it",
                           "or copy it to another place"};

void header(PageDrawer& page, const QColor& bar, const QColor& title, const QColor& links) {
    page.fill({0, 0, 720, 44}, bar);
    page.text({20, 13}, QStringLiteral("Northwind"), {16, title, true}, 0, -1);
    words(page, {430, 15}, {"Docs", "Blog", "Pricing", "Help"}, 26, {13, links});
    body(page, {20, 70}, prose);
}

void button(PageDrawer& page, QRectF box, const QString& label) {
    page.fill(box, QColor("#e8eaed"), 4);
    const PageDrawer::Style style{13, ink};
    page.text({box.center().x() - page.width(label, style) / 2, box.top() + 6}, label, style, 0, -1);
}

const std::vector<Picture>& pictures() {
    static const std::vector<Picture> all = {
        {"a toolbar over text",
         [](PageDrawer& page) {
             page.fill({0, 0, 640, 36}, QColor("#f0f0f0"));
             words(page, {16, 10}, {"New", "Open", "Save"}, 24, {13, ink});
             words(page, {440, 10}, {"Print", "Share", "Help"}, 24, {13, ink});
             body(page, {16, 60}, prose);
         },
         {640, 180},
         {QStringList{"New", "Open", "Save", "Print", "Share", "Help"} + prose}},
        {"a header of light links on a dark bar",
         [](PageDrawer& page) { header(page, QColor("#24292f"), Qt::white, QColor("#9da7b3")); },
         {720, 170},
         {QStringList{"Northwind", "Docs", "Blog", "Pricing", "Help"} + prose}},
        {"a header of links on a light bar",
         [](PageDrawer& page) { header(page, QColor("#f6f8fa"), ink, QColor("#0969da")); },
         {720, 170},
         {QStringList{"Northwind", "Docs", "Blog", "Pricing", "Help"} + prose}},
        {"a button row under a form",
         [](PageDrawer& page) {
             page.text({20, 24}, QStringLiteral("Name"), {13, ink}, 0, -1);
             page.text({20, 64}, QStringLiteral("Email"), {13, ink}, 0, -1);
             page.frame({110, 16, 380, 30}, QColor("#c4c8cc"), 3);
             page.frame({110, 56, 380, 30}, QColor("#c4c8cc"), 3);
             page.text({120, 23}, QStringLiteral("Ada Lovelace, Countess of Lovelace"), {13, ink}, 0, -1);
             page.text({120, 63}, QStringLiteral("ada@analytical-engine.example.org"), {13, ink}, 0, -1);
             button(page, {20, 120, 70, 30}, QStringLiteral("Help"));
             button(page, {320, 120, 80, 30}, QStringLiteral("Cancel"));
             button(page, {410, 120, 80, 30}, QStringLiteral("Submit"));
         },
         {520, 170},
         {{"Name", "Email", "Help", "Cancel", "Submit"},
          {"Countess of Lovelace", "analytical-engine", "Help"}}},
        {"two columns under a header of links",
         [](PageDrawer& page) {
             page.fill({0, 0, 720, 44}, QColor("#f6f8fa"));
             page.text({20, 13}, QStringLiteral("Quorvane Docs"), {16, ink, true}, 0, -1);
             words(page, {470, 15}, {"Guide", "Blog", "Help"}, 26, {13, QColor("#0969da")});
             body(page, {20, 70}, {"Getting started", "Capturing", "Editing", "Recognising text"});
             body(page, {220, 70},
                  {"Quorvane reads the text of a capture", "on your computer and sends nothing",
                   "anywhere, then opens it in a window"});
         },
         {720, 190},
         {{"Quorvane Docs", "Guide", "Blog", "Help", "Getting started", "Capturing", "Editing",
           "Recognising text", "Quorvane reads the text", "on your computer", "anywhere, then opens"}}},
        {"a small table",
         [](PageDrawer& page) {
             const QStringList rows[] = {{"Name", "Kind", "Modified"},
                                         {"notes.txt", "Text", "Today"},
                                         {"capture.png", "Image", "Yesterday"},
                                         {"report.pdf", "Document", "Monday"}};
             for (int r = 0; r < 4; ++r)
                 for (int c = 0; c < 3; ++c)
                     page.text({20.0 + c * 160, 20.0 + r * 28}, rows[r][c], {13, r == 0 ? dim : ink}, 0, -1);
         },
         {520, 140},
         {{"Name", "notes.txt", "capture.png", "report.pdf"},
          {"Kind", "Text", "Image", "Document"},
          {"Modified", "Today", "Yesterday", "Monday"}}},
    };
    return all;
}

// Where each text of `chains` is read: its line and its place in the line; faults for texts read
// twice, never, or out of their chain's order.
QStringList orderFaults(const QStringList& lines, const std::vector<QStringList>& chains) {
    QStringList faults;
    for (const QStringList& chain : chains) {
        std::pair<qsizetype, qsizetype> last{-1, -1};
        for (const QString& text : chain) {
            // Spaces aside: the engine may read "report.pdf" as "report. pdf".
            const QString wanted = QString(text).remove(QLatin1Char(' '));
            std::vector<std::pair<qsizetype, qsizetype>> at;
            for (qsizetype i = 0; i < lines.size(); ++i) {
                const QString line = QString(lines[i]).remove(QLatin1Char(' '));
                for (qsizetype from = 0; (from = line.indexOf(wanted, from)) >= 0; ++from)
                    at.emplace_back(i, from);
            }
            if (at.size() != 1) {
                faults.append(QStringLiteral("\"%1\" read %2 times").arg(text).arg(at.size()));
                continue;
            }
            if (at[0] < last) faults.append(QStringLiteral("\"%1\" read too early").arg(text));
            last = at[0];
        }
    }
    return faults;
}

TEST(ReadingOrder, ReadsRowsWhereTheyStandAndTrueColumnsOneAfterTheOther) {
    TextRecognizer recognizer(
        std::make_shared<TesseractEngineFactory>(TesseractLanguageData::defaultFolder()),
        std::make_shared<ZXingBarcodeReader>(), QStringList{QStringLiteral("en")}, 2);
    for (const Picture& picture : pictures())
        for (const int scale : {1, 2}) {
            SCOPED_TRACE(std::string(picture.name) + " at " + std::to_string(scale) + "x");
            PageDrawer page(QString::fromUtf8(picture.name), picture.size, scale, Qt::white);
            picture.draw(page);
            const auto outcome = recognizer.recognize(page.image(), QStringList{"en"})->wait();
            ASSERT_TRUE(outcome.ok());
            QStringList lines;
            for (const RecognizedLine& line : outcome->lines)
                lines.append(line.text);
            const QStringList faults = orderFaults(lines, picture.chains);
            EXPECT_TRUE(faults.isEmpty())
                << faults.join(", ").toStdString() << " in " << lines.join(" / ").toStdString();
        }
}

} // namespace
} // namespace quorvane
