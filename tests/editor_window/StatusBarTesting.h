#pragma once

// A status bar over a pane's document and settings, with recorded actions and a fake review.

#include "canvas/CanvasTesting.h"
#include "editor_window/ChromeTesting.h"
#include "editor_window/EditorStatusBar.h"
#include "editor_window/ElidedLabel.h"
#include "editor_window/RecordedActions.h"
#include "editor_window/StatusContextBar.h"
#include "export/DragExporter.h"
#include "platform/SystemClipboard.h"
#include "support/CountingBeeper.h"
#include "support/TempDir.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

namespace quorvane::test {

struct StatusBarRig : Pane {
    SystemClipboard clipboard{*QGuiApplication::clipboard()};
    CountingBeeper beeper;
    TempDir dragRoot;
    DragExporter dragExporter{QString::fromStdString((dragRoot / "Quorvane Drag").string())};
    QStringList calls;
    std::unique_ptr<EditorStatusBar> bar;

    EditorActions actions(bool withDrag = true) {
        EditorActions made = recordedActions([this](const QString& name) { calls << name; });
        if (withDrag) made.dragExporter = &dragExporter;
        return made;
    }

    explicit StatusBarRig(bool withDrag = true) {
        bar = std::make_unique<EditorStatusBar>(
            document, settings, actions(withDrag), [this] { calls << QStringLiteral("recognize"); },
            ContextBarHosts::standIns(), EditorStatusBar::Services{clipboard, beeper, icons});
        bar->resize(900, EditorStatusBar::height);
        bar->show();
    }

    FakeTextRedactionReview* openReview() {
        auto* review = new FakeTextRedactionReview(&document);
        settings.modes().setTextRedaction(review);
        document.setTextRedactionReview(review);
        return review;
    }

    // The texts the context bar shows now, after its rebuild; a line cut short for room counts
    // with its whole text.
    QStringList contextTexts() {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QStringList texts;
        for (QLabel* label : bar->contextBar()->findChildren<QLabel*>())
            if (!label->isHidden() && !label->text().isEmpty()) texts << wholeText(*label);
        for (QAbstractButton* button : bar->contextBar()->findChildren<QAbstractButton*>())
            if (!button->isHidden() && !button->text().isEmpty()) texts << button->text();
        return texts;
    }
    static QString wholeText(const QLabel& label) {
        const auto* line = qobject_cast<const ElidedLabel*>(&label);
        return line != nullptr ? line->fullText() : label.text();
    }
    QPushButton* contextButton(const QString& title) {
        for (QPushButton* button : bar->contextBar()->findChildren<QPushButton*>())
            if (button->text() == title && !button->isHidden()) return button;
        return nullptr;
    }
};

} // namespace quorvane::test
