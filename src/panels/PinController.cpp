#include "panels/PinController.h"

#include "panels/PinGeometry.h"
#include "panels/PinPanel.h"

#include <QGuiApplication>
#include <QScreen>

namespace quorvane {

PinController::PinController(Clipboard& clipboard, Beeper& beeper, const SymbolIcons& icons,
                             const AccessibilityOptions& accessibility, QObject* parent)
    : QObject(parent), clipboard_(clipboard), beeper_(beeper), icons_(icons), accessibility_(accessibility) {}

PinController::~PinController() {
    for (const QPointer<PinPanel>& panel : panels_)
        delete panel.data();
}

PinController::Screens PinController::systemScreens() {
    Screens out;
    const auto describe = [](const QScreen* screen) {
        return PinScreen{QRectF(screen->geometry()), QRectF(screen->availableGeometry()),
                         screen->devicePixelRatio()};
    };
    for (const QScreen* screen : QGuiApplication::screens())
        out.screens.push_back(describe(screen));
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        out.main = describe(primary);
    else if (!out.screens.empty())
        out.main = out.screens.front();
    return out;
}

std::vector<PinPanel*> PinController::panels() const {
    std::vector<PinPanel*> open;
    for (const QPointer<PinPanel>& panel : panels_)
        if (panel) open.push_back(panel);
    return open;
}

PinPanel* PinController::pin(const QImage& image, const std::optional<QRectF>& near) {
    const Screens known = screenOverride ? *screenOverride : systemScreens();
    if (panels().empty()) cascade_ = 0;
    const QSizeF pixels = image.size();
    const int k = cascade_;
    const std::optional<PinScreen> screen = PinGeometry::screen(near, known.screens, known.main);
    if (!screen) return nullptr;
    const QSizeF size = PinGeometry::fittedSize(pixels, screen->scale, screen->visibleFrame);
    if (!(size.width() > 0) || !(size.height() > 0)) return nullptr;
    QPointF centre;
    if (near) {
        centre = near->center();
    } else {
        // Each pin without a place steps 24 points right and down; the ninth starts over.
        const double d = cascadeStep * (k % cascadeLength);
        centre = screen->visibleFrame.center() + QPointF(d, d);
    }
    const QRectF frame = PinGeometry::clamp(
        QRectF(centre - QPointF(size.width() / 2, size.height() / 2), size), screen->visibleFrame);
    if (!near) ++cascade_;
    const double scale = std::max(screen->scale, 1.0);
    const QSizeF actual(pixels.width() / scale, pixels.height() / scale);

    auto* panel = new PinPanel(*this, image, frame, actual, icons_, accessibility_);
    panels_.emplace_back(panel);
    panel->show();
    panel->raise();
    Q_EMIT pinsChanged();
    return panel;
}

void PinController::close(PinPanel* panel) {
    const auto found = std::find(panels_.begin(), panels_.end(), QPointer<PinPanel>(panel));
    if (panel == nullptr || found == panels_.end()) return;
    panels_.erase(found);
    panel->release();
    panel->hide();
    // The pin's pixels go with it: fifty closed pins keep nothing.
    panel->deleteLater();
    Q_EMIT pinsChanged();
}

void PinController::closeAll() {
    for (PinPanel* panel : panels())
        close(panel);
    panels_.clear();
}

} // namespace quorvane
