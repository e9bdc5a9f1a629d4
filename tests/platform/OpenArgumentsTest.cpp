#include "platform/OpenArguments.h"

#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Paths become absolute against the starting folder; links stay exactly as typed.
TEST(OpenArguments, PathsBecomeAbsoluteAndLinksStayAsTyped) {
    test::TempDir folder;
    std::ofstream(folder / "a:b.png") << "x";
    const std::string here = folder.path().string();
    struct Case {
        const char* argument;
        std::string expected;
    };
    const Case cases[] = {
        {"quorvane://capture/screen?then=edit", "quorvane://capture/screen?then=edit"},
        {"QUORVANE:show", "QUORVANE:show"},
        {"file:///tmp/x.png", "file:///tmp/x.png"},
        {"/tmp/x.png", "/tmp/x.png"},
        {"image.png", here + "/image.png"},
        {"../up/image.png", here + "/../up/image.png"},
        // A file of that name here is the file, not a link of the scheme "a".
        {"a:b.png", here + "/a:b.png"},
        {"c:nothing.png", "c:nothing.png"},
        {"1a:b", here + "/1a:b"},
        {"", ""},
    };
    std::vector<const char*> arguments;
    for (const Case& c : cases)
        arguments.push_back(c.argument);
    const QByteArrayList made = OpenArguments::fromCommandLine(int(arguments.size()), arguments.data(), here);
    ASSERT_EQ(made.size(), qsizetype(std::size(cases)));
    for (std::size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(made[qsizetype(i)].toStdString(), cases[i].expected) << cases[i].argument;

    // Without a known folder relative paths stay relative (and the program ignores them).
    const char* relative[] = {"image.png"};
    EXPECT_EQ(OpenArguments::fromCommandLine(1, relative, "").front(), QByteArray("image.png"));
    const char* atRoot[] = {"image.png"};
    EXPECT_EQ(OpenArguments::fromCommandLine(1, atRoot, "/").front(), QByteArray("/image.png"));
}

} // namespace
} // namespace quorvane
