#pragma once

#include <QIcon>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QButtonGroup;

namespace quorvane {

// A row of exclusive segments, one of them chosen; its title is for assistive technology only,
// which hears of its tool tip what follows the title.
class SegmentedPicker : public QWidget {
    Q_OBJECT

public:
    struct Segment {
        QString text;
        QIcon icon;
        QString accessibleName;
    };

    SegmentedPicker(const QString& title, const std::vector<Segment>& segments, int current,
                    std::function<void(int index)> chosen, QWidget* parent = nullptr);

    int current() const;
    // Chooses segment `index` as a click would.
    void choose(int index);

protected:
    bool event(QEvent* event) override;

private:
    QButtonGroup* group_ = nullptr;
    std::function<void(int)> chosen_;
};

} // namespace quorvane
