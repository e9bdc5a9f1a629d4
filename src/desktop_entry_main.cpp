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
        std::fprintf(stderr, "A desktop entry cannot name %s: it is not valid UTF-8 or holds control characters.\n",
                     argv[1]);
        return 1;
    }
    std::fputs(entry->c_str(), stdout);
    return 0;
}
