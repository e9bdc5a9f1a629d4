// Another instance's hand on the shared settings file, as its own process:
//   quorvane_settings_writer FILE set KEY JSON [KEY JSON…]   one change of several keys
//   quorvane_settings_writer FILE count KEY N                N changes, KEY set to 1…N one by one
//   quorvane_settings_writer FILE hold                       locks FILE, says "held" and waits

#include "platform/JsonSettingsStore.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc < 3) return 2;
    const std::filesystem::path file = argv[1];
    const std::string command = argv[2];
    if (command == "hold") {
        const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0) return 1;
        std::puts("held");
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    quorvane::JsonSettingsStore store(file);
    if (command == "set") {
        QJsonObject changes;
        for (int i = 3; i + 1 < argc; i += 2)
            changes.insert(QString::fromUtf8(argv[i]),
                           QJsonDocument::fromJson(QByteArray("[") + argv[i + 1] + "]").array().at(0));
        return store.setValues(changes) ? 0 : 1;
    }
    if (command == "count" && argc == 5) {
        const int count = std::atoi(argv[4]);
        for (int i = 1; i <= count; ++i)
            if (!store.setValue(QString::fromUtf8(argv[3]), i)) return 1;
        return 0;
    }
    return 2;
}
