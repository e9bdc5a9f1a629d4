#include "support/journey/Program.h"

#include "support/WaitUntil.h"
#include "support/XvfbServer.h"
#include "support/journey/Desktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <csignal>

namespace quorvane::journey {
namespace {

// The shell's arguments that run `program` with `arguments` as bytes: each is printed from octal
// escapes, with a last "x" that keeps trailing newlines from the command substitution.
QStringList byteArguments(const QString& program, const QByteArrayList& arguments) {
    QString script, call = QStringLiteral("exec \"$0\"");
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString name = QStringLiteral("a") + QString::number(i);
        script += name + QStringLiteral("=$(printf '");
        for (const char c : arguments[i])
            script += QLatin1Char('\\') + QStringLiteral("%1").arg(uint(uchar(c)), 3, 8, QLatin1Char('0'));
        script += QStringLiteral("x'); ");
        call += QStringLiteral(" \"${") + name + QStringLiteral("%x}\"");
    }
    return {QStringLiteral("-c"), script + call, program};
}

} // namespace

// QUORVANE_JOURNEY_PROGRAM runs the journeys against another build of the program.
QString Program::path() {
    const QString other = qEnvironmentVariable("QUORVANE_JOURNEY_PROGRAM");
    return other.isEmpty() ? QStringLiteral(QUORVANE_PROGRAM) : other;
}

Program::Program(QJsonObject settings) {
    for (const char* name : {"config/com.quorvane.Quorvane", "state", "cache", "runtime", "Pictures"})
        std::filesystem::create_directories(dir_ / name);
    std::filesystem::permissions(dir_ / "runtime", std::filesystem::perms::owner_all);
    if (!settings.contains(QStringLiteral("saveFolder")))
        settings.insert(QStringLiteral("saveFolder"), pictures());
    QFile file(QString::fromStdString(settingsFile().string()));
    if (file.open(QIODevice::WriteOnly)) file.write(QJsonDocument(settings).toJson());
    process_.setProcessChannelMode(QProcess::MergedChannels);
    process_.setProcessEnvironment(environment());
    QObject::connect(&process_, &QProcess::readyRead, [this] { readOutput(); });
}

Program::~Program() {
    if (process_.state() != QProcess::NotRunning) terminate(5000);
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

QProcessEnvironment Program::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, folder] : {std::pair{"XDG_CONFIG_HOME", "config"},
                                       {"XDG_STATE_HOME", "state"},
                                       {"XDG_CACHE_HOME", "cache"},
                                       {"XDG_RUNTIME_DIR", "runtime"},
                                       {"HOME", ""}})
        environment.insert(QString::fromLatin1(name), QString::fromStdString((dir_ / folder).string()));
    environment.insert(QStringLiteral("DISPLAY"), display_.isEmpty() ? test::x11Server().display() : display_);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("XDG_DATA_HOME"));
    // The look the screen reader's thresholds are made for (light Fusion at one pixel a point),
    // whatever the runner's desktop chose for itself.
    environment.insert(QStringLiteral("QT_STYLE_OVERRIDE"), QStringLiteral("Fusion"));
    for (const char* name : {"QT_QPA_PLATFORMTHEME", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                             "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI",
                             "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_USE_PHYSICAL_DPI", "XDG_CURRENT_DESKTOP",
                             "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID",
                             "GTK_THEME", "QT_STYLE_SHEET"})
        environment.remove(QString::fromLatin1(name));
    // None of the runner's desktop settings: its session bus, settings store or profile. A
    // journey may start a bus of the program's own where this points (SessionBus).
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QStringLiteral("unix:path=") + QString::fromStdString((dir_ / "runtime/bus").string()));
    environment.remove(QStringLiteral("GSETTINGS_BACKEND"));
    environment.remove(QStringLiteral("DCONF_PROFILE"));
    return environment;
}

std::filesystem::path Program::settingsFile() const {
    return dir_ / "config/com.quorvane.Quorvane/settings.json";
}

QString Program::pictures() const {
    return QString::fromStdString((dir_ / "Pictures").string());
}

void Program::useDisplay(const QString& display) {
    display_ = display;
    process_.setProcessEnvironment(environment());
}

bool Program::start(const QStringList& arguments) {
    process_.setWorkingDirectory({});
    return launch(path(), arguments);
}

bool Program::start(const QByteArrayList& arguments, const QString& folder) {
    process_.setWorkingDirectory(folder);
    return launch(QStringLiteral("/bin/sh"), byteArguments(path(), arguments));
}

bool Program::launch(const QString& program, const QStringList& arguments) {
    const qsizetype since = mark();
    process_.start(program, arguments);
    if (!process_.waitForStarted(10000)) return false;
    return waitForLog(QStringLiteral("Launched"), since, 30000);
}

std::unique_ptr<QProcess> Program::startAnother(const QStringList& arguments, const QString& folder) const {
    return runAnother(path(), arguments, folder);
}

std::unique_ptr<QProcess> Program::startAnother(const QByteArrayList& arguments,
                                                const QString& folder) const {
    return runAnother(QStringLiteral("/bin/sh"), byteArguments(path(), arguments), folder);
}

std::unique_ptr<QProcess> Program::runAnother(const QString& program, const QStringList& arguments,
                                              const QString& folder) const {
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setProcessEnvironment(environment());
    if (!folder.isEmpty()) process->setWorkingDirectory(folder);
    process->start(program, arguments);
    process->waitForFinished(20000);
    return process;
}

void Program::readOutput() {
    // Before the start there is nothing to read (and Qt warns of a device not open).
    if (process_.isOpen()) output_ += QString::fromUtf8(process_.readAll());
}

QString Program::log() {
    readOutput();
    return output_;
}

qsizetype Program::mark() {
    readOutput();
    return output_.size();
}

bool Program::waitForLog(const QString& text, qsizetype since, int timeoutMs) {
    return test::waitUntil([&] { return log().indexOf(text, since) >= 0; }, timeoutMs);
}

int Program::countLog(const QString& text, qsizetype since) {
    const QString all = log();
    int count = 0;
    for (qsizetype at = all.indexOf(text, since); at >= 0; at = all.indexOf(text, at + text.size()))
        ++count;
    return count;
}

std::vector<QDateTime> Program::loggedAt(const QString& text, qsizetype since) {
    std::vector<QDateTime> times;
    for (const QString& line : log().mid(since).split(QLatin1Char('\n')))
        if (line.contains(text))
            times.push_back(QDateTime::fromString(line.section(QLatin1Char(' '), 0, 0), Qt::ISODateWithMs));
    return times;
}

int Program::terminate(int timeoutMs) {
    if (process_.state() == QProcess::NotRunning) return -1;
    // With unexported changes the program asks first (a question titled as the program); a
    // second signal ends it without asking. It is sent once the question shows: sent sooner, to a
    // slow program that is ending by itself, it finds the default action back and kills it. On
    // another display than the journey's the question is not looked for, and a short bound stands
    // in for it.
    const auto titled = [this] {
        return display_.isEmpty() ? windows(QStringLiteral("^Quorvane$")).size() : size_t(0);
    };
    const size_t before = titled();
    ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
    test::waitUntil([&] { return process_.state() == QProcess::NotRunning || titled() > before; },
                    display_.isEmpty() ? timeoutMs : 3000);
    if (process_.state() != QProcess::NotRunning) ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
    return waitForExit(timeoutMs);
}

int Program::exitCode() const {
    return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

int Program::waitForExit(int timeoutMs) {
    // Waiting inside the event loop keeps reading what it writes on the way out.
    if (!test::waitUntil([this] { return process_.state() == QProcess::NotRunning; }, timeoutMs)) return -1;
    readOutput();
    return exitCode();
}

void Program::signal(int number) {
    if (process_.state() != QProcess::NotRunning) ::kill(static_cast<pid_t>(process_.processId()), number);
}

bool Program::isRunning() const {
    return process_.state() == QProcess::Running;
}

QStringList Program::savedImages(const QString& folder) const {
    const QString where = folder.isEmpty() ? pictures() : folder;
    QStringList paths;
    const QFileInfoList files =
        QDir(where).entryInfoList({QStringLiteral("*.png"), QStringLiteral("*.jpg")}, QDir::Files, QDir::Time | QDir::Reversed);
    for (const QFileInfo& file : files)
        paths << file.absoluteFilePath();
    return paths;
}

bool Program::waitForSavedImages(int count, int timeoutMs) const {
    return test::waitUntil([&] { return savedImages().size() >= count; }, timeoutMs);
}

} // namespace quorvane::journey
