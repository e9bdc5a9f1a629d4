#include "platform/SystemBeeper.h"

#include <QApplication>

namespace quorvane {

void SystemBeeper::beep() {
    QApplication::beep();
}

} // namespace quorvane
