#pragma once

#include "support/TempDir.h"

#include <QByteArrayList>
#include <QDateTime>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <memory>
#include <vector>

namespace quorvane::journey {

// Quorvane as its own process on the journey's X server, with private settings, state, cache,
// runtime, home and Pictures folders, so that nothing of the user's is read or written. Its log
// lines (standard error) are collected as they arrive.
class Program {
public:
    // `settings` are the stored settings the program starts with ("saveFolder" defaults to the
    // private Pictures folder).
    explicit Program(QJsonObject settings = {});
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Runs the program on another X server than the journey's (before start()).
    void useDisplay(const QString& display);
    // Starts the program (again, after it ended) and waits for its "Launched"; false when it did
    // not start.
    bool start(const QStringList& arguments = {});
    // The same with arguments that need not be text (a name in Latin-1, which QProcess cannot
    // pass), started in `folder`: a shell makes them from their bytes and becomes the program.
    bool start(const QByteArrayList& arguments, const QString& folder);
    // The program's path.
    static QString path();
    // A second process on the same folders and display, started in `folder` (the test's own
    // when empty); returns when it has ended.
    std::unique_ptr<QProcess> startAnother(const QStringList& arguments = {}, const QString& folder = {}) const;
    std::unique_ptr<QProcess> startAnother(const QByteArrayList& arguments, const QString& folder) const;
    // The environment the program runs in: its private folders and the display.
    QProcessEnvironment environment() const;

    // Everything logged so far.
    QString log();
    // The log's length now: pass it to `waitForLog` to wait only for what comes later.
    qsizetype mark();
    // Waits until a line containing `text` was logged after `since`.
    bool waitForLog(const QString& text, qsizetype since = 0, int timeoutMs = 20000);
    // How many lines containing `text` were logged after `since`.
    int countLog(const QString& text, qsizetype since = 0);
    // When the program logged each line containing `text` after `since`, by its own clock: what
    // it did between two lines, free of how long the test took to see them or to act.
    std::vector<QDateTime> loggedAt(const QString& text, qsizetype since = 0);

    // SIGTERM, then waits for the normal end (a second SIGTERM after 3 s answers the question
    // about unexported changes); the exit code, or -1 when it crashed or hung.
    int terminate(int timeoutMs = 20000);
    // Waits for the program to end by itself (after Quit); its exit code, or -1.
    int waitForExit(int timeoutMs = 20000);
    bool isRunning() const;
    // Sends a signal (as the desktop's session or `kill` would).
    void signal(int number);
    // The exit code of the ended process, -1 after a crash.
    int exitCode() const;
    // Its process id while it runs, for what the kernel counts of it.
    qint64 processId() const { return process_.processId(); }

    std::filesystem::path folder(const std::string& name) const { return dir_ / name; }
    QString pictures() const;
    std::filesystem::path settingsFile() const;
    // The image files in the Pictures folder (or another), oldest first.
    QStringList savedImages(const QString& folder = {}) const;
    // Waits until the Pictures folder holds `count` images.
    bool waitForSavedImages(int count, int timeoutMs = 20000) const;

private:
    void readOutput();
    bool launch(const QString& program, const QStringList& arguments);
    std::unique_ptr<QProcess> runAnother(const QString& program, const QStringList& arguments,
                                         const QString& folder) const;

    test::TempDir dir_;
    QString display_;
    QProcess process_;
    QString output_;
};

} // namespace quorvane::journey
