#pragma once

#include <QString>
#include <QWidget>
#include <chrono>
#include <functional>
#include <optional>

class QHBoxLayout;
class QLabel;
class QParallelAnimationGroup;

namespace quorvane {

class AccessibilityOptions;
class SymbolIcons;

// The small status capsule of the editor window: a line or two of text with an optional symbol
// and accessory. Every change of the message or of persistence shows it again (an empty message
// hides it); unless persistent it hides itself 2.5 s after the latest show, since only the timer
// of the latest show may hide it. It fades and slides in and out, and simply appears and goes
// with Reduce Motion. The host places it by its size hint.
class ToastView : public QWidget {
    Q_OBJECT

public:
    // Runs `hide` after `delay`; tests replace it to fire the timers themselves.
    using Scheduler = std::function<void(std::chrono::milliseconds delay, std::function<void()> hide)>;
    static constexpr std::chrono::milliseconds hideDelay{2500};
    static constexpr int maximumTextWidth = 420;

    ToastView(const AccessibilityOptions& accessibility, const SymbolIcons& icons, QWidget* parent = nullptr);

    void setMessage(const QString& message);
    void setSystemImage(const std::optional<QString>& symbol);
    void setPersistent(bool persistent);
    // Whether the first appearance shows a message that is already set; set before showing.
    void setShowOnAppear(bool showOnAppear) { showOnAppear_ = showOnAppear; }
    // Placed after the text; the toast takes ownership.
    void setAccessory(QWidget* accessory);
    // The widest the capsule may be: the text wraps to fit, the accessory moves below the text
    // when the text would be cut beside it, and a text still cut shows whole as its tool tip.
    void setAvailableWidth(int width);
    void setScheduler(Scheduler scheduler) { scheduler_ = std::move(scheduler); }

    const QString& message() const { return message_; }
    bool persistent() const { return persistent_; }
    // Whether the capsule is up (it may still be fading out when not).
    bool capsuleVisible() const { return visible_; }
    bool animating() const;
    // The text as shown: at most two lines, the second ended with "…" when cut.
    QString shownText() const;
    // What assistive technology reads: the whole message (within the layout limit).
    QString accessibleText() const;

    // `text` in `font` cut to two lines of `width` pixels.
    static QString twoLines(const QString& text, const QFont& font, int width);
    // Whether `text` fits two such lines whole.
    static bool fitsTwoLines(const QString& text, const QFont& font, int width);
    // Whether the accessory stands below the text.
    bool accessoryBelow() const { return accessoryBelow_; }

    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showRule();
    void animateTo(bool visible);
    void updateContent();
    // The width the text may take, beside the accessory or with the accessory below it.
    int textWidth(bool besideAccessory) const;
    void placeAccessory(bool below);

    const AccessibilityOptions& accessibility_;
    const SymbolIcons& icons_;
    QString message_;
    std::optional<QString> symbol_;
    bool persistent_ = false;
    bool showOnAppear_ = false;
    bool appeared_ = false;
    bool visible_ = false;
    quint64 token_ = 0;
    Scheduler scheduler_;
    QWidget* capsule_ = nullptr;
    QLabel* image_ = nullptr;
    QLabel* text_ = nullptr;
    QWidget* accessory_ = nullptr;
    QHBoxLayout* row_ = nullptr;
    QHBoxLayout* below_ = nullptr;
    int availableWidth_ = 0;
    bool accessoryBelow_ = false;
    QParallelAnimationGroup* animation_ = nullptr;
};

} // namespace quorvane
