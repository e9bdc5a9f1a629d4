#include "app/URLCommandHandler.h"

#include "LinkTesting.h"
#include "core/LocalFileUrl.h"
#include "platform/InstanceMessage.h"
#include "platform/InstanceServer.h"
#include "support/CountingBeeper.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

#include <QLocalSocket>
#include <QSysInfo>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

namespace quorvane {
namespace {

using namespace std::chrono_literals;
using test::RecordingLinkTarget;

// This computer named with capitals, as many are, for the test's thread: in a UTS namespace of its
// own, left at the end. Where it may not have one (not root), the name stays as it is.
class HostNamed {
public:
    explicit HostNamed(const char* name) : old_(::open("/proc/self/ns/uts", O_RDONLY | O_CLOEXEC)) {
        unshared_ = old_ >= 0 && ::unshare(CLONE_NEWUTS) == 0;
        if (unshared_) ::sethostname(name, std::strlen(name));
    }
    ~HostNamed() {
        if (unshared_) ::setns(old_, CLONE_NEWUTS);
        if (old_ >= 0) ::close(old_);
    }
    HostNamed(const HostNamed&) = delete;
    HostNamed& operator=(const HostNamed&) = delete;

private:
    int old_;
    bool unshared_ = false;
};

struct Rig {
    test::CountingBeeper beeper;
    test::LogLines log{"app"};
    RecordingLinkTarget target;
    URLCommandHandler handler{beeper};
    URLCommandHandler::Clock::time_point now{};

    Rig() { handler.linkClock = [this] { return now; }; }
    void launch() {
        handler.launchFinished(target);
        QCoreApplication::processEvents();
    }
    // A link accepted by the target ends its capture at once, so that the next is not busy.
    void open(const QByteArrayList& arguments, std::chrono::milliseconds later = 0ms) {
        now += later;
        target.busy = false;
        handler.open(arguments);
    }
    long accepted() const { return long(log.lines().size()) - rejected(); }
    long rejected() const {
        const auto lines = log.lines();
        return std::count_if(lines.begin(), lines.end(),
                             [](const std::string& line) { return line.starts_with("URL command rejected: "); });
    }
};

// Accepted links stand at least a second apart; a refused one does not move the mark, and a clock
// that went back does not refuse.
TEST(URLCommandHandler, AcceptedLinksAreSpacedASecondApart) {
    Rig rig;
    rig.launch();
    rig.open({"quorvane://capture/screen"});
    rig.open({"quorvane://capture/area"}, 500ms);
    rig.open({"quorvane://show"}, 400ms);
    rig.open({"quorvane://show"}, 100ms);
    rig.open({"quorvane://show"}, -5000ms);
    EXPECT_EQ(rig.log.lines(), (std::vector<std::string>{"URL command: capture/screen", "URL command rejected: busy",
                                                         "URL command rejected: busy", "URL command: show",
                                                         "URL command: show"}));
    EXPECT_EQ(rig.beeper.beeps, 2);
    EXPECT_EQ(rig.target.calls, (QStringList{"captureScreen", "presentEditor", "presentEditor"}));
}

// What a batch is: a file wins over its links, the first of several links acts and other schemes
// beside it are ignored; a batch of nothing but other schemes and words is refused by its case;
// nothing asks for the editor.
TEST(URLCommandHandler, AFileWinsTheFirstLinkActsAndTheRestIsIgnored) {
    Rig rig;
    rig.launch();
    rig.open({"quorvane://capture/screen", "/home/me/a b.png", "file:///tmp/second.png"});
    EXPECT_EQ(rig.target.calls, QStringList{"openFile file:///home/me/a b.png"});
    rig.open({"https://example.com/", "quorvane://show", "QUORVANE://settings", "quorvane://capture/area"}, 2s);
    EXPECT_EQ(rig.target.calls.last(), QStringLiteral("presentEditor"));
    EXPECT_EQ(rig.log.count("URL command: ignored 2 extra links"), 1);
    rig.open({"https://example.com/", "relative.png", "mailto:x"}, 2s);
    rig.open({}, 2s);
    EXPECT_EQ(rig.target.calls.size(), 3);
    EXPECT_EQ(rig.target.calls.last(), QStringLiteral("presentEditor"));
    EXPECT_EQ(rig.log.lines(),
              (std::vector<std::string>{"URL command: ignored 2 extra links", "URL command: show",
                                        "URL command rejected: scheme"}));
    EXPECT_EQ(rig.beeper.beeps, 1);
}

// Paths are handed on as the bytes they are, text or not, newlines and leading dashes included;
// a file link to "localhost" names a file here too.
TEST(URLCommandHandler, FilesAreHandedOnAsTheBytesOfTheirNames) {
    Rig rig;
    rig.launch();
    for (const QByteArray& argument :
         {QByteArray("/tmp/caf\xE9.png"), QByteArray("/tmp/a\nb.png"), QByteArray("/tmp/-dash.png"),
          QByteArray("file://localhost/tmp/caf%E9.png"), QByteArray("file:///tmp/caf\xE9.png")}) {
        rig.open({argument}, 2s);
        ASSERT_TRUE(rig.target.file);
        EXPECT_EQ(LocalFileUrl::path(*rig.target.file),
                  argument.mid(argument.indexOf("/tmp")).replace("%E9", "\xE9"));
    }
}

// A file link naming this computer in other letters names a file here: host names know no case.
TEST(URLCommandHandler, AFileLinkNamingThisComputerInOtherLettersIsAFileHere) {
    const HostNamed capitals("Quorvane-Host");
    Rig rig;
    rig.launch();
    for (const QString& host :
         {QSysInfo::machineHostName().toUpper(), QSysInfo::machineHostName().toLower()}) {
        rig.open({"file://" + host.toUtf8() + "/tmp/a.png"}, 2s);
        ASSERT_TRUE(rig.target.file);
        EXPECT_EQ(LocalFileUrl::path(*rig.target.file), QByteArray("/tmp/a.png")) << host.toStdString();
    }
}

// Before start-up ends the latest link (and file) waits; they act once it has, on the next turn.
TEST(URLCommandHandler, BeforeLaunchOnlyTheLatestWaitsAndActsAfterIt) {
    Rig rig;
    rig.open({"quorvane://capture/screen"});
    rig.open({"quorvane://settings"});
    rig.open({});
    EXPECT_TRUE(rig.target.calls.isEmpty());
    EXPECT_EQ(rig.handler.queuedLink(), QByteArray("quorvane://settings"));
    rig.handler.launchFinished(rig.target);
    EXPECT_TRUE(rig.target.calls.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(rig.target.calls, QStringList{"showSettings"});
    EXPECT_FALSE(rig.handler.queuedLink());

    Rig withFile;
    withFile.open({"/tmp/one.png"});
    withFile.open({"quorvane://show"});
    withFile.launch();
    EXPECT_EQ(withFile.target.calls, (QStringList{"openFile file:///tmp/one.png", "presentEditor"}));
}

// What is handed in as start-up finishes (links forwarded while the program started) waits like
// what came before: only the latest acts, once, and none is refused as busy.
TEST(URLCommandHandler, LinksHandedInAsLaunchFinishesWaitTheLatestAlone) {
    Rig rig;
    rig.open({"quorvane://show"});
    QObject::connect(&rig.handler, &URLCommandHandler::launchFinishing, [&rig] {
        rig.handler.open({"quorvane://capture/screen"});
        rig.handler.open({"quorvane://settings"});
    });
    rig.launch();
    EXPECT_EQ(rig.target.calls, QStringList{"showSettings"});
    EXPECT_EQ(rig.rejected(), 0);
    EXPECT_EQ(rig.beeper.beeps, 0);
    // Later links act at once.
    rig.open({"quorvane://show"}, 2s);
    EXPECT_EQ(rig.target.calls.last(), QStringLiteral("presentEditor"));
}

// A link a later process forwarded while this one started waits with the command line's, as the
// program's socket is wired to the handler: the latest alone acts, and none is refused as busy.
TEST(URLCommandHandler, ALinkForwardedWhileTheProgramStartsWaitsWithTheOthers) {
    Rig rig;
    test::TempDir folder;
    InstanceServer server(QString::fromStdString((folder / "socket").string()));
    ASSERT_TRUE(server.listen().ok());
    rig.handler.takeLinksFrom(server);
    rig.open({"quorvane://show"});
    QLocalSocket later;
    later.connectToServer(server.socketPath());
    ASSERT_TRUE(later.waitForConnected(test::bound(5000)));
    later.write(*InstanceMessage::encode({"quorvane://settings"}));
    ASSERT_TRUE(later.waitForBytesWritten(test::bound(5000)));
    rig.launch();
    // The later process hears its answer once its message was taken in.
    ASSERT_TRUE(test::waitUntil([&] { return later.bytesAvailable() > 0 || later.waitForReadyRead(0); }));
    EXPECT_EQ(rig.target.calls, QStringList{"showSettings"});
    EXPECT_EQ(rig.rejected(), 0);
}

// Bad links from outside, and links of other schemes: refused by their case, never logged, each
// with a beep; at start as later.
TEST(URLCommandHandler, BadLinksAreRefusedByTheirCaseOnly) {
    Rig rig;
    rig.launch();
    const QByteArray secret = "quorvane://capture/area?then=copy&x=";
    const struct {
        QByteArray link;
        const char* logged;
    } cases[] = {
        {secret + QByteArray(10 * 1024 * 1024, 'a'), "URL command rejected: tooLong"},
        {"quorvane://show\xff\xfe", "URL command rejected: invalidCharacter"},
        {QByteArray("quorvane://sh\0ow", 16), "URL command rejected: invalidCharacter"},
        {"https://host/a.png?then=copy", "URL command rejected: scheme"},
        {"ftp://then=copy@host/a.png", "URL command rejected: scheme"},
        {"mailto:then=copy", "URL command rejected: scheme"},
        {"http:then=copy", "URL command rejected: scheme"},
    };
    for (const auto& c : cases) {
        rig.open({c.link}, 2s);
        EXPECT_EQ(rig.log.lines().back(), c.logged);
    }
    EXPECT_EQ(rig.beeper.beeps, 7);
    EXPECT_TRUE(rig.target.calls.isEmpty());
    for (const std::string& line : rig.log.lines())
        EXPECT_EQ(line.find("then=copy"), std::string::npos);

    // Thousands of links in one batch: the first acts, the rest are counted.
    rig.open(QByteArrayList(5000, "quorvane://show"), 2s);
    EXPECT_EQ(rig.target.calls, QStringList{"presentEditor"});
    EXPECT_EQ(rig.log.count("URL command: ignored 4999 extra links"), 1);

    Rig starting;
    starting.open({"https://host/a.png"});
    EXPECT_EQ(std::pair(starting.rejected(), starting.beeper.beeps), std::pair(1L, 1));
    starting.launch();
    EXPECT_TRUE(starting.target.calls.isEmpty());
}

} // namespace
} // namespace quorvane
