// The program: one instance per user and display, a resident application with no window it
// must keep open, started through the composition root.

#include "app/AppDelegate.h"
#include "app/ServiceFactory.h"
#include "app/Services.h"
#include "core/AppIdentity.h"
#include "core/Log.h"
#include "platform/InstanceLock.h"
#include "platform/OpenMPEnvironment.h"
#include "platform/QuickTeardown.h"
#include "platform/SignalPipe.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    using namespace quorvane;
    // Tesseract's runtime reads the limit only when it loads: re-executes with it when missing.
    OpenMPEnvironment::ensureSingleThreaded("/proc/self/exe", argv);

    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || display[0] == '\0') {
        std::fprintf(stderr, "Quorvane needs an X11 display: DISPLAY is not set.\n");
        return 1;
    }
    // Before anything else: a second process must not touch settings, keys or the drag folder.
    const InstanceLock lock(InstanceLock::runtimeFolder() / InstanceLock::fileName(display));
    if (lock.outcome() == InstanceLock::Outcome::heldElsewhere) {
        std::printf("Quorvane is already running\n");
        return 0;
    }
    if (lock.outcome() == InstanceLock::Outcome::failed)
        std::fprintf(stderr, "Quorvane: %s; running without the single-instance check.\n",
                     lock.problem().c_str());

    // X11 only: on Wayland desktops the program runs through XWayland.
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication::setApplicationName(QString::fromLatin1(applicationName));
    QApplication::setDesktopFileName(QString::fromLatin1(applicationId));
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    int status = 0;
    {
        QApplication application(argc, argv);
        application.setQuitOnLastWindowClosed(false);
        application.setProperty("applicationId", QString::fromLatin1(applicationId));
        {
            const std::unique_ptr<Services> services = ServiceFactory::make();
            AppDelegate delegate(*services);
            SignalPipe signalPipe;
            QObject::connect(&signalPipe, &SignalPipe::received, &delegate,
                             [&delegate](int) { delegate.terminateBySignal(); });
            if (argc > 1)
                Log::app().log("Ignoring {} argument(s): links and files are not handled yet", argc - 1);
            delegate.applicationDidFinishLaunching();
            status = application.exec();
            delegate.applicationWillTerminate();
        }
        QuickTeardown::prepare();
    }
    return status;
}
