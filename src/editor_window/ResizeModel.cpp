#include "editor_window/ResizeModel.h"

#include "document/EditorDocument.h"
#include "editor_window/ChromeText.h"

#include <QLocale>
#include <QStringView>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace quorvane {
namespace {

constexpr int maxTypedDigits = 7;

// Any side a form can hold, before the document's own limits.
int clampSide(double value) {
    if (!std::isfinite(value)) return 1;
    return static_cast<int>(std::clamp(value, 1.0, 1'000'000.0));
}

int wholeSide(double value) {
    if (!std::isfinite(value)) return 0;
    return static_cast<int>(std::clamp(std::round(value), -1e9, 1e9));
}

// "%.1f": std::to_chars rounds the exact binary value, ties to even, as C does; Qt rounds 0.25 up.
QString oneDecimal(double value) {
    std::array<char, 64> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 1);
    if (result.ec != std::errc()) return QStringLiteral("0.0");
    return QString::fromLatin1(buffer.data(), result.ptr - buffer.data());
}

} // namespace

ResizeModel::ResizeModel(const QSizeF& source, double pixelScale, const std::optional<QSizeF>& outputSize,
                         ImageResampler::Quality quality)
    : source_(source), pixelScale_(pixelScale), quality_(quality) {
    const QSizeF shown = outputSize.value_or(source);
    width_ = wholeSide(shown.width());
    height_ = wholeSide(shown.height());
}

ResizeModel ResizeModel::of(const EditorDocument& document) {
    return ResizeModel(document.cropRect().size(), document.pixelScale(), document.outputSize(),
                       document.outputQuality());
}

void ResizeModel::apply(int percent) {
    const double w0 = std::trunc(source_.width()), h0 = std::trunc(source_.height());
    width_ = clampSide(std::round(percent / 100.0 * w0));
    height_ = clampSide(std::round(percent / 100.0 * h0));
}

std::optional<QSize> ResizeModel::logicalSize() const {
    if (!(pixelScale_ > 1)) return std::nullopt;
    return QSize(std::max(wholeSide(source_.width() / pixelScale_), 1),
                 std::max(wholeSide(source_.height() / pixelScale_), 1));
}

void ResizeModel::applyLogical() {
    if (const auto logical = logicalSize()) {
        width_ = logical->width();
        height_ = logical->height();
    }
}

std::optional<int> ResizeModel::parseSide(const QString& text) {
    QString kept;
    int count = 0;
    bool onlyAscii = true;
    for (const char32_t code : QStringView(text).toUcs4()) {
        if (count == maxTypedDigits) break;
        if (!QChar::isNumber(code)) continue;
        ++count;
        if (code < U'0' || code > U'9') onlyAscii = false;
        kept.append(QChar(static_cast<char16_t>(code < 0x10000 ? code : u'?')));
    }
    if (count == 0 || !onlyAscii) return std::nullopt;
    return kept.toInt();
}

void ResizeModel::typeWidth(const QString& text) {
    width_ = parseSide(text);
    if (lockAspect_ && width_) height_ = clampSide(std::round(source_.height() / source_.width() * *width_));
}

void ResizeModel::typeHeight(const QString& text) {
    height_ = parseSide(text);
    if (lockAspect_ && height_) width_ = clampSide(std::round(source_.width() / source_.height() * *height_));
}

QString ResizeModel::fieldText(std::optional<int> side) {
    return side ? QString::number(*side) : QString();
}

std::optional<QString> ResizeModel::problem() const {
    if (!width_ || !height_) return QStringLiteral("Enter a width and height.");
    return EditorDocument::outputSizeProblem(QSizeF(*width_, *height_));
}

std::optional<QSizeF> ResizeModel::size() const {
    if (problem()) return std::nullopt;
    return QSizeF(*width_, *height_);
}

QString ResizeModel::summary() const {
    const QString prefix = ChromeText::wholeNumber(source_.width()) + QStringLiteral(" × ") +
                           ChromeText::wholeNumber(source_.height());
    if (!size()) return prefix + QStringLiteral(" → – px");
    const double megapixels = static_cast<double>(*width_) * *height_ / 1'000'000;
    return prefix + QStringLiteral(" → %1 × %2 px · %3 MP")
                        .arg(QString::number(*width_), QString::number(*height_), oneDecimal(megapixels));
}

QString ResizeModel::logicalTitle() const {
    const auto logical = logicalSize();
    if (!logical) return {};
    return QStringLiteral("Logical size (÷ %1) · %2 × %3")
        .arg(QLocale::system().toString(pixelScale_, 'g', QLocale::FloatingPointShortest),
             QString::number(logical->width()), QString::number(logical->height()));
}

QString ResizeModel::logicalAccessibilityLabel() const {
    const auto logical = logicalSize();
    if (!logical) return {};
    return QStringLiteral("Use logical size, %1 by %2 pixels")
        .arg(QString::number(logical->width()), QString::number(logical->height()));
}

} // namespace quorvane
