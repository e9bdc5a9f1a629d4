#include "platform/XSettingsWatch.h"
#include "support/SettingsDaemon.h"
#include "support/WaitUntil.h"
#include "support/XvfbServer.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace quorvane {
namespace {

const std::string animations = "Gtk/EnableAnimations";

TEST(XSettingsWatch, FollowsTheManagerAsItStartsChangesAndEnds) {
    const auto watch = XSettingsWatch::open();
    ASSERT_NE(watch, nullptr);
    EXPECT_FALSE(watch->integer(animations).has_value()) << "no manager yet";

    test::SettingsDaemon daemon;
    ASSERT_TRUE(daemon.start(animations + " 0\n"));
    EXPECT_TRUE(test::waitUntil([&] { return watch->integer(animations) == 0; }));
    ASSERT_TRUE(daemon.serve(animations + " 1\nNet/ThemeName \"HighContrast\"\n"));
    EXPECT_TRUE(test::waitUntil([&] { return watch->integer(animations) == 1; }));
    daemon.stop();
    EXPECT_TRUE(test::waitUntil([&] { return !watch->integer(animations).has_value(); }));
}

TEST(XSettingsWatch, AManagerWithADamagedListSetsNothing) {
    const auto watch = XSettingsWatch::open();
    ASSERT_NE(watch, nullptr);
    int reads = 0;
    QObject::connect(watch.get(), &XSettingsWatch::changed, [&reads] { ++reads; });

    // A manager of our own whose list ends in the middle of its only setting.
    int screenNumber = 0;
    xcb_connection_t* manager = xcb_connect(test::x11Server().display().toUtf8().constData(), &screenNumber);
    ASSERT_EQ(xcb_connection_has_error(manager), 0);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(manager)).data->root;
    const auto intern = [manager](const std::string& name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            manager, xcb_intern_atom(manager, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr);
        const xcb_atom_t atom = reply->atom;
        std::free(reply);
        return atom;
    };
    const xcb_atom_t selection = intern("_XSETTINGS_S" + std::to_string(screenNumber));
    const xcb_atom_t settings = intern("_XSETTINGS_SETTINGS");
    const xcb_window_t window = xcb_generate_id(manager);
    xcb_create_window(manager, XCB_COPY_FROM_PARENT, window, root, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    const std::uint8_t damaged[] = {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 20, 0, 'G', 't', 'k', '/'};
    xcb_change_property(manager, XCB_PROP_MODE_REPLACE, window, settings, settings, 8, sizeof damaged, damaged);
    xcb_set_selection_owner(manager, window, selection, XCB_CURRENT_TIME);
    xcb_client_message_event_t announce = {};
    announce.response_type = XCB_CLIENT_MESSAGE;
    announce.format = 32;
    announce.window = root;
    announce.type = intern("MANAGER");
    announce.data.data32[0] = XCB_CURRENT_TIME;
    announce.data.data32[1] = selection;
    announce.data.data32[2] = window;
    xcb_send_event(manager, 0, root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char*>(&announce));
    xcb_flush(manager);

    EXPECT_TRUE(test::waitUntil([&] { return reads > 0; })) << "the new manager was not read";
    EXPECT_FALSE(watch->integer(animations).has_value());
    xcb_disconnect(manager);
}

} // namespace
} // namespace quorvane
