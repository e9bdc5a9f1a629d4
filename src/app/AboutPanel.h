#pragma once

// The standard About panel: the program's icon, name and version, one panel at a time.

#include <QMessageBox>
#include <QPointer>

namespace quorvane {

class AboutPanel {
public:
    AboutPanel() = default;
    ~AboutPanel();
    AboutPanel(const AboutPanel&) = delete;
    AboutPanel& operator=(const AboutPanel&) = delete;

    // Shows the panel, or brings the open one to the front.
    void show();
    QMessageBox* panel() const { return panel_; }

private:
    QPointer<QMessageBox> panel_;
};

} // namespace quorvane
