// The program: one instance per user and display, a resident application with no window it
// must keep open, started through the composition root. A later process hands its arguments to
// the running one and ends.

#include "app/AppDelegate.h"
#include "app/ServiceFactory.h"
#include "app/Services.h"
#include "app/URLCommandHandler.h"
#include "core/AppIdentity.h"
#include "core/Log.h"
#include "platform/InstanceForwarder.h"
#include "platform/InstanceLock.h"
#include "platform/InstanceMessage.h"
#include "platform/InstanceServer.h"
#include "platform/KeyComposer.h"
#include "platform/OpenArguments.h"
#include "platform/OpenMPEnvironment.h"
#include "platform/QtSharedMemoryPainting.h"
#include "platform/QuickTeardown.h"
#include "platform/SignalPipe.h"
#include "platform/X11DisplayCheck.h"

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

using namespace quorvane;

// Tries to reach the running program for about a second at a time; between the tries the lock
// is taken again, in case the running program ended meanwhile.
constexpr auto connectRound = std::chrono::milliseconds(1000);
constexpr int connectRounds = 5;
// A running program answers at once; one still starting answers when its start-up is done.
constexpr auto answerWithin = std::chrono::milliseconds(5000);

// Whether `requests` name nothing the program can open; the running program, given them, says so
// with the bell and a line in its log.
bool opensNothing(const QByteArrayList& requests) {
    return !requests.isEmpty() &&
           std::all_of(requests.begin(), requests.end(), [](const QByteArray& request) {
               return OpenArguments::kind(request) == OpenArguments::Kind::unopenable;
           });
}

// Hands `requests` to the running program: the exit status, or none to try the lock again.
std::optional<int> forwardToRunningInstance(const std::filesystem::path& socket,
                                            const QByteArrayList& requests, bool lastRound) {
    const std::optional<QByteArray> message = InstanceMessage::encode(requests);
    if (!message) {
        std::fprintf(
            stderr,
            "Quorvane is already running; the arguments are too long to pass on (at most %u bytes).\n",
            InstanceMessage::maxMessageBytes);
        return 1;
    }
    const InstanceForwarder::Answer answer =
        InstanceForwarder::forward(socket, *message, connectRound, answerWithin);
    if (answer.outcome != InstanceForwarder::Outcome::failed && opensNothing(requests)) {
        std::fprintf(stderr,
                     "Quorvane is already running but did not open %s: it opens image files and "
                     "quorvane:// links only.\n",
                     requests.size() == 1 ? "the link" : "the links");
        return 1;
    }
    switch (answer.outcome) {
    case InstanceForwarder::Outcome::delivered:
        std::printf(requests.isEmpty() ? "Quorvane is already running: it shows its editor.\n"
                                       : "Quorvane is already running: it takes the request.\n");
        return 0;
    case InstanceForwarder::Outcome::unanswered:
        std::printf("Quorvane is already running and takes the request once it has started.\n");
        return 0;
    case InstanceForwarder::Outcome::failed:
        break;
    }
    if (!lastRound) return std::nullopt;
    std::fprintf(stderr, "Quorvane is already running but cannot be reached: %s.\n", answer.problem.c_str());
    return 1;
}

// Takes the instance lock, or hands `requests` to the program that holds it: the exit status then.
std::optional<int> lockOrForward(std::optional<InstanceLock>& lock, const std::filesystem::path& runtime,
                                 const char* display, const QByteArrayList& requests) {
    const std::filesystem::path socket = runtime / InstanceLock::socketName(display);
    for (int round = 1;; ++round) {
        lock.emplace(runtime / InstanceLock::fileName(display));
        if (lock->outcome() != InstanceLock::Outcome::heldElsewhere) return std::nullopt;
        lock.reset();
        if (const auto status = forwardToRunningInstance(socket, requests, round == connectRounds))
            return status;
    }
}

} // namespace

int main(int argc, char** argv) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
        std::fprintf(stderr, "Quorvane needs an X11 display: DISPLAY is not set.\n");
        return 1;
    }
    const std::filesystem::path runtime = InstanceLock::runtimeFolder();
    const QByteArrayList requests =
        OpenArguments::fromCommandLine(argc - 1, argv + 1, OpenArguments::currentFolder());
    // Before anything else: a later process must not touch settings, keys or the drag folder.
    std::optional<InstanceLock> lock;
    if (const auto status = lockOrForward(lock, runtime, display, requests)) return *status;
    if (!OpenMPEnvironment::isSingleThreaded()) {
        // Tesseract's runtime reads the limit only when it loads: the program starts itself again
        // with it (a later process has forwarded by now, never paying for that).
        lock.reset();
        OpenMPEnvironment::ensureSingleThreaded("/proc/self/exe", argv);
        if (const auto status = lockOrForward(lock, runtime, display, requests)) return *status;
    }
    if (lock->outcome() == InstanceLock::Outcome::failed)
        std::fprintf(stderr, "Quorvane: %s; running without the single-instance check.\n",
                     lock->problem().c_str());
    // Qt aborts on a display it cannot open; a later process above has forwarded without one.
    if (const auto problem = X11DisplayCheck::problem(display)) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        return 1;
    }

    // X11 only: on Wayland desktops the program runs through XWayland.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QtSharedMemoryPainting::avoidDescriptors();
    KeyComposer::takeOverFromQt();
    QApplication::setApplicationName(QString::fromLatin1(applicationName));
    QApplication::setDesktopFileName(QString::fromLatin1(applicationId));
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    int status = 0;
    {
        // Every argument is a file or a link, never one of Qt's options: a file may be named "-display".
        int programNameOnly = 1;
        QApplication application(programNameOnly, argv);
        KeyComposer::restoreEnvironment();
        application.setQuitOnLastWindowClosed(false);
        application.setProperty("applicationId", QString::fromLatin1(applicationId));
        {
            const std::unique_ptr<Services> services = ServiceFactory::make();
            // Only the lock's holder listens; without the lock nobody is sure whose socket it is.
            std::optional<InstanceServer> server;
            if (lock->outcome() == InstanceLock::Outcome::acquired) {
                server.emplace(
                    QString::fromStdString((runtime / InstanceLock::socketName(display)).string()));
                if (const auto listening = server->listen(); !listening) {
                    Log::app().error("Later processes cannot reach this one: {}", listening.error().message);
                    server.reset();
                }
            }
            AppDelegate delegate(*services);
            if (server) delegate.linkHandler().takeLinksFrom(*server);
            // The command line's own links and files wait for the end of start-up.
            if (!requests.isEmpty()) delegate.linkHandler().open(requests);
            SignalPipe signalPipe;
            QObject::connect(&signalPipe, &SignalPipe::received, &delegate,
                             [&delegate](int) { delegate.terminateBySignal(); });
            delegate.start();
            status = application.exec();
            delegate.aboutToQuit();
        }
        QuickTeardown::prepare();
    }
    return status;
}
