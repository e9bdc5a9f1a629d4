#pragma once

#include "panels/ThumbnailAction.h"

#include <QPointer>
#include <QWidget>
#include <map>

class QVariantAnimation;

namespace quorvane {

class AccessibilityOptions;
class SymbolIcons;
class ThumbnailButton;
class ThumbnailEditButton;
class ThumbnailModel;

// The thumbnail card's controls over the image: a click anywhere opens the editor; while the
// pointer hovers, a shaded strip of buttons offers close, copy, save, pin and edit; otherwise a
// small badge shows the pixel size; after a copy "Copied" replaces both. It only reports actions
// through the model.
class ThumbnailView : public QWidget {
    Q_OBJECT

public:
    enum class Overlay { none, badge, controls, copied };

    static constexpr int fadeMilliseconds = 150;

    ThumbnailView(ThumbnailModel& model, const SymbolIcons& icons, const AccessibilityOptions& accessibility,
                  QWidget* parent = nullptr);

    Overlay overlay() const;
    // "3024 × 1964"; empty without a pixel size.
    QString badgeText() const;
    // "3024 by 1964 pixels".
    QString sizeDescription() const;
    ThumbnailEditButton* editButton() const { return edit_; }
    ThumbnailButton* button(ThumbnailAction action) const;
    // How far the current overlay has faded in, 0 to 1.
    double overlayOpacity() const { return opacity_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void refresh();
    void layoutButtons();

    ThumbnailModel& model_;
    const AccessibilityOptions& accessibility_;
    ThumbnailEditButton* edit_ = nullptr;
    std::map<ThumbnailAction, ThumbnailButton*> buttons_;
    Overlay shown_ = Overlay::none;
    double opacity_ = 1;
    QPointer<QVariantAnimation> fade_;
};

} // namespace quorvane
