#include "app/EditorWindow.h"

#include "app/EditorWindowLayout.h"
#include "core/AppIdentity.h"
#include "editor_window/EditorView.h"

#include <QCloseEvent>

namespace quorvane {

EditorWindow::EditorWindow(EditorView* view, QWidget* parent) : QMainWindow(parent), view_(view) {
    setWindowTitle(QString::fromLatin1(applicationName));
    setCentralWidget(view);
    resize(EditorWindowLayout::emptyContentSize);
    setMinimumSize(EditorWindowLayout::emptyContentSize);
}

void EditorWindow::closeEvent(QCloseEvent* event) {
    Q_EMIT closing();
    QMainWindow::closeEvent(event);
}

} // namespace quorvane
