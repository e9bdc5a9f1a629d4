// The running program's socket and a later process forwarding to it, with clients that behave
// and clients that do not.

#include "platform/InstanceServer.h"

#include "platform/InstanceForwarder.h"
#include "platform/InstanceLock.h"
#include "platform/InstanceMessage.h"
#include "support/LogLines.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"

#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <future>
#include <gtest/gtest.h>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quorvane {
namespace {

using namespace std::chrono_literals;
using InstanceForwarder::Outcome;

sockaddr_un addressOf(const std::filesystem::path& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    return address;
}

// A client of our own making: connects without blocking, sends what it is told, and closes.
struct RawClient {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    bool connected = false;
    explicit RawClient(const std::filesystem::path& path) {
        const sockaddr_un address = addressOf(path);
        connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawClient() { ::close(fd); }
    void send(const QByteArray& bytes) const { (void)::send(fd, bytes.data(), size_t(bytes.size()), MSG_NOSIGNAL); }
    // Whether the program has closed its end.
    bool closed() const {
        char byte = 0;
        const ssize_t got = ::recv(fd, &byte, 1, MSG_PEEK);
        return got == 0 || (got < 0 && errno != EAGAIN);
    }
};

std::chrono::milliseconds bounded(int ms) {
    return std::chrono::milliseconds(test::bound(ms));
}

struct Rig {
    test::TempDir folder;
    std::filesystem::path path = folder / InstanceLock::socketName(":7.0");
    InstanceServer server{QString::fromStdString(path.string())};
    std::vector<QByteArrayList> received;
    test::LogLines log{"app"};

    Rig() {
        QObject::connect(&server, &InstanceServer::messageReceived,
                         [this](const QByteArrayList& arguments) { received.push_back(arguments); });
    }

    // Forwards as a later process would (it blocks, so it runs beside the event loop). The
    // program answers on its event loop's turns, which a busy machine puts off.
    InstanceForwarder::Answer forward(const QByteArrayList& arguments,
                                      std::chrono::milliseconds connectFor = bounded(1000)) {
        auto answer = std::async(std::launch::async, [&] {
            return InstanceForwarder::forward(path, *InstanceMessage::encode(arguments), connectFor,
                                              bounded(2000));
        });
        test::waitUntil([&] { return answer.wait_for(0s) == std::future_status::ready; }, 10000);
        return answer.get();
    }
    QByteArrayList last() const { return received.empty() ? QByteArrayList{} : received.back(); }
};

TEST(InstanceServer, ALaterProcessHandsOverItsArgumentsAndAStaleSocketIsReplaced) {
    Rig rig;
    // A crashed run left its socket: nobody answers there, and a forward gives up in time.
    {
        const int leftover = ::socket(AF_UNIX, SOCK_STREAM, 0);
        const sockaddr_un address = addressOf(rig.path);
        ASSERT_EQ(::bind(leftover, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(leftover);
    }
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(rig.forward({"quorvane://show"}, 300ms).outcome, Outcome::failed);
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(test::bound(2000)));

    ASSERT_TRUE(rig.server.listen().ok());
    EXPECT_EQ(std::filesystem::status(rig.path).permissions() & std::filesystem::perms::others_all,
              std::filesystem::perms::none);
    const QByteArrayList arguments = {"quorvane://capture/screen?then=edit", "/tmp/a.png"};
    EXPECT_EQ(rig.forward(arguments).outcome, Outcome::delivered);
    ASSERT_EQ(rig.received.size(), 1u);
    EXPECT_EQ(rig.last(), arguments);
    // No arguments: a request of its own (show the editor).
    EXPECT_EQ(rig.forward({}).outcome, Outcome::delivered);
    ASSERT_EQ(rig.received.size(), 2u);
    EXPECT_TRUE(rig.last().isEmpty());
}

// A program that has the socket but does not read yet (still starting): the message waits
// there and the later process ends without hanging.
// Messages sent while the event loop did not run (the program was starting) are taken in at
// once, in the order their processes connected; one not wholly sent is served later as usual.
TEST(InstanceServer, TakesInWhatWaitedWhileTheProgramStarted) {
    Rig rig;
    ASSERT_TRUE(rig.server.listen().ok());
    std::vector<std::unique_ptr<RawClient>> clients;
    for (const char* link : {"quorvane://show", "quorvane://settings", "quorvane://capture/screen"}) {
        clients.push_back(std::make_unique<RawClient>(rig.path));
        ASSERT_TRUE(clients.back()->connected);
        clients.back()->send(*InstanceMessage::encode({link}));
    }
    const QByteArray partial = *InstanceMessage::encode({"quorvane://capture/area"});
    RawClient slow(rig.path);
    ASSERT_TRUE(slow.connected);
    slow.send(partial.left(5));

    rig.server.receiveWaiting();
    EXPECT_EQ(rig.received,
              (std::vector<QByteArrayList>{
                  {"quorvane://show"}, {"quorvane://settings"}, {"quorvane://capture/screen"}}));
    slow.send(partial.mid(5));
    EXPECT_TRUE(test::waitUntil([&] { return rig.received.size() == 4; }));
    EXPECT_EQ(rig.last(), QByteArrayList{"quorvane://capture/area"});
    // Nothing waits: nothing happens.
    rig.server.receiveWaiting();
    EXPECT_EQ(rig.received.size(), 4u);
}

TEST(InstanceServer, AForwardToAProgramThatDoesNotAnswerEndsInTime) {
    test::TempDir folder;
    const auto path = folder / "quiet.socket";
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const sockaddr_un address = addressOf(path);
    ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listening, 4), 0);
    const auto answer = InstanceForwarder::forward(path, *InstanceMessage::encode({"quorvane://show"}), 1s, 300ms);
    EXPECT_EQ(answer.outcome, Outcome::unanswered);
    ::close(listening);
}

TEST(InstanceServer, BadClientsAreCutOffAndTheProgramKeepsServing) {
    Rig rig;
    ASSERT_TRUE(rig.server.listen().ok());

    // Half a message, then the client dies.
    {
        RawClient half(rig.path);
        ASSERT_TRUE(half.connected);
        half.send(QByteArray("QVN1") + QByteArray("\x02\0\0\0\x40\0\0\0quorv", 13));
        // It dies once the program serves it.
        ASSERT_TRUE(test::waitUntil([&] { return rig.server.openConnections() == 1; }));
    }
    EXPECT_TRUE(test::waitUntil([&] { return rig.log.count("Forwarded request refused: incomplete") == 1; }));
    // A 10 MB argument is refused at its length, before its bytes.
    {
        RawClient huge(rig.path);
        char length[4];
        qToLittleEndian<std::uint32_t>(10 * 1024 * 1024, length);
        huge.send(QByteArray("QVN1\x01\0\0\0", 8) + QByteArray(length, 4) + QByteArray(60000, 'a'));
        EXPECT_TRUE(test::waitUntil([&] { return rig.log.count("Forwarded request refused: too large") == 1; }));
    }
    // A client that connects and never sends is closed at its deadline.
    {
        RawClient silent(rig.path);
        EXPECT_TRUE(test::waitUntil([&] { return rig.server.openConnections() == 1; }));
        EXPECT_TRUE(test::waitUntil([&] { return rig.server.openConnections() == 0; },
                                    InstanceServer::deadlineMs + 2000));
        EXPECT_EQ(rig.log.count("Forwarded request refused: too slow"), 1);
    }
    // A flood of 1,000 connections: only a bounded number are open at once, the oldest giving way.
    {
        const std::string dropped =
            "Forwarded requests dropped: " + std::to_string(InstanceServer::maxConnections) +
            " were open; the oldest gave way";
        const long slowBefore = rig.log.count("Forwarded request refused: too slow");
        std::vector<std::unique_ptr<RawClient>> flood;
        int most = 0;
        for (int i = 0; i < 1000; ++i) {
            flood.push_back(std::make_unique<RawClient>(rig.path));
            if (i % 50 == 0) QCoreApplication::processEvents();
            most = std::max(most, rig.server.openConnections());
        }
        EXPECT_TRUE(test::waitUntil([&] { return rig.log.count(dropped) >= 1; }));
        most = std::max(most, rig.server.openConnections());
        EXPECT_LE(most, InstanceServer::maxConnections);
        // Once while the program stays full, not once a connection: only a served one that ended
        // (at its deadline, when the flood took that long) lets the next drop be logged again.
        EXPECT_LE(rig.log.count(dropped),
                  1 + rig.log.count("Forwarded request refused: too slow") - slowBefore);
    }
    EXPECT_TRUE(test::waitUntil([&] { return rig.server.openConnections() == 0; }));
    EXPECT_EQ(rig.received.size(), 0u);

    // Still serving, thousands of links in one batch included.
    const QByteArrayList many(5000, "quorvane://capture/area?delay=1");
    EXPECT_EQ(rig.forward(many).outcome, Outcome::delivered);
    ASSERT_EQ(rig.received.size(), 1u);
    EXPECT_EQ(rig.last().size(), 5000);
}

// A full program makes room by closing the connection open longest, not one just made, and
// serves the newcomer.
TEST(InstanceServer, WhenFullTheOldestConnectionGivesWay) {
    Rig rig;
    ASSERT_TRUE(rig.server.listen().ok());
    std::vector<std::unique_ptr<RawClient>> silent;
    // One at a time, so that the program takes them in this order.
    for (int i = 1; i <= InstanceServer::maxConnections; ++i) {
        silent.push_back(std::make_unique<RawClient>(rig.path));
        ASSERT_TRUE(silent.back()->connected);
        ASSERT_TRUE(test::waitUntil([&] { return rig.server.openConnections() == i; }));
    }
    EXPECT_EQ(rig.forward({"quorvane://show"}).outcome, Outcome::delivered);
    ASSERT_TRUE(test::waitUntil([&] { return std::ranges::any_of(silent, &RawClient::closed); }));
    EXPECT_TRUE(silent.front()->closed());
    EXPECT_FALSE(silent.back()->closed());
    EXPECT_EQ(rig.log.count("Forwarded requests dropped: " + std::to_string(InstanceServer::maxConnections) +
                            " were open; the oldest gave way"),
              1);
}

// Descriptors this process holds open.
long openDescriptors() {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator());
}

// Idle clients hold nobody up: with 40 connected and silent, a later process reaches the program
// while every one of them is still open, each waiting for its own deadline. Clients that connect
// and close at once, thousands of times, leave the program serving, holding no descriptor and
// logging nothing for them.
TEST(InstanceServer, IdleOrVanishingClientsHoldUpNoLaterProcess) {
    Rig rig;
    ASSERT_TRUE(rig.server.listen().ok());
    std::vector<std::unique_ptr<RawClient>> idle;
    for (int i = 0; i < 40; ++i) {
        idle.push_back(std::make_unique<RawClient>(rig.path));
        ASSERT_TRUE(idle.back()->connected);
    }
    EXPECT_TRUE(test::waitUntil([&] { return rig.server.openConnections() == 40; }));
    int openOnArrival = -1;
    long closedOnArrival = -1;
    QObject::connect(&rig.server, &InstanceServer::messageReceived, [&] {
        openOnArrival = rig.server.openConnections();
        closedOnArrival = rig.log.count("Forwarded request refused: too slow");
    });
    EXPECT_EQ(rig.forward({"quorvane://show"}).outcome, Outcome::delivered);
    EXPECT_EQ(rig.last(), QByteArrayList{"quorvane://show"});
    EXPECT_EQ(openOnArrival, 40);
    EXPECT_EQ(closedOnArrival, 0);
    ASSERT_TRUE(test::waitUntil([&] { return rig.server.openConnections() == 0; },
                                InstanceServer::deadlineMs + 2000));
    EXPECT_EQ(rig.log.count("Forwarded request refused: too slow"), 40);
    idle.clear();

    const long descriptors = openDescriptors(), lines = std::ssize(rig.log.lines());
    for (int i = 0; i < 3000; ++i) {
        RawClient{rig.path};
        if (i % 50 == 0) QCoreApplication::processEvents();
    }
    EXPECT_TRUE(test::waitUntil([&] {
        return rig.server.openConnections() == 0 && openDescriptors() == descriptors;
    })) << rig.server.openConnections()
        << " open, " << openDescriptors() - descriptors << " more descriptors";
    EXPECT_EQ(std::ssize(rig.log.lines()), lines);
    EXPECT_EQ(rig.forward({"quorvane://settings"}).outcome, Outcome::delivered);
    EXPECT_EQ(rig.last(), QByteArrayList{"quorvane://settings"});
}

// Every name by which xcb reaches a local display through its socket leads to one instance, with
// or without a screen; names over TCP, other hosts and names that are no display stay apart.
TEST(InstanceServer, NamesOfOneLocalDisplayShareOneInstance) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> groups = {
        {{":7", ":7.0", ":7.1", ":07", "unix:7", "unix:7.0", "unix/:7", "unix/unix:7.2", "/tmp/.X11-unix/X7",
          "/tmp/.X11-unix/X7.0"},
         "instance-_7"},
        {{":70", "unix:70.0"}, "instance-_70"},
        {{"localhost:7", "localhost:7.0"}, "instance-localhost_7"},
        {{"otherhost:7.0"}, "instance-otherhost_7"},
        {{"tcp/localhost:7"}, "instance-tcp_localhost_7"},
        {{"::1:7"}, "instance-__1_7"},
        {{"unix:"}, "instance-unix_"},
        {{":"}, "instance-_"},
        {{": 7"}, "instance-_ 7"},
        {{"unix:+7"}, "instance-unix_+7"},
        {{""}, "instance-none"}};
    for (const auto& [names, key] : groups)
        for (const std::string& name : names) {
            EXPECT_EQ(InstanceLock::fileName(name), key + ".lock") << name;
            EXPECT_EQ(InstanceLock::socketName(name), key + ".socket") << name;
        }
}

} // namespace
} // namespace quorvane
