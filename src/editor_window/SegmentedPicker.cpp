#include "editor_window/SegmentedPicker.h"

#include "editor_window/ChromeAccessible.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>

namespace quorvane {

SegmentedPicker::SegmentedPicker(const QString& title, const std::vector<Segment>& segments, int current,
                                 std::function<void(int index)> chosen, QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this)), chosen_(std::move(chosen)) {
    setAccessibleName(title);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (size_t i = 0; i < segments.size(); ++i) {
        auto* segment = new QToolButton(this);
        segment->setCheckable(true);
        segment->setAutoRaise(false);
        segment->setText(segments[i].text);
        segment->setIcon(segments[i].icon);
        segment->setAccessibleName(segments[i].accessibleName);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        segment->setChecked(int(i) == current);
        group_->addButton(segment, int(i));
        row->addWidget(segment);
    }
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idClicked, this, [this](int index) {
        if (chosen_) chosen_(index);
    });
}

int SegmentedPicker::current() const {
    return group_->checkedId();
}

void SegmentedPicker::choose(int index) {
    if (QAbstractButton* segment = group_->button(index)) segment->click();
}

bool SegmentedPicker::event(QEvent* event) {
    if (event->type() == QEvent::ToolTipChange) ChromeAccessible::describeBeyondName(*this);
    return QWidget::event(event);
}

} // namespace quorvane
