// Prints the application entry that makes the program at the given path the handler of
// quorvane:// links and of the images it opens; scripts/run installs what it prints.

#include "export/ImageImporter.h"
#include "platform/DesktopEntry.h"

#include <cstdio>

int main(int argc, char** argv) {
    using namespace quorvane;
    if (argc != 2 || argv[1][0] != '/') {
        std::fprintf(stderr, "Usage: %s /absolute/path/to/quorvane\n", argv[0]);
        return 2;
    }
    const auto entry = DesktopEntry::applicationEntry(argv[1], ImageImporter::supportedTypes());
    if (!entry) {
        std::fprintf(stderr, "%s\n", entry.error().message.toUtf8().constData());
        return 1;
    }
    std::fputs(entry->toUtf8().constData(), stdout);
    return 0;
}
