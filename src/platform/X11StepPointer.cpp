#include "platform/X11StepPointer.h"

#include "platform/X11CaptureReply.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xinput.h>
#include <xcb/xtest.h>

namespace quorvane {
namespace {

constexpr char prefix[] = "quorvane-step-";
constexpr std::uint16_t corePointer = 2, coreKeyboard = 3;

bool removeMaster(xcb_connection_t* c, std::uint16_t master) {
    xcb_input_remove_master_t change{};
    change.type = XCB_INPUT_HIERARCHY_CHANGE_TYPE_REMOVE_MASTER;
    change.len = sizeof(change) / 4;
    change.deviceid = master;
    change.return_mode = XCB_INPUT_CHANGE_MODE_ATTACH;
    change.return_pointer = corePointer;
    change.return_keyboard = coreKeyboard;
    X11Reply<xcb_generic_error_t> error(
        xcb_request_check(c, xcb_input_xi_change_hierarchy_checked(
                                 c, 1, reinterpret_cast<const xcb_input_hierarchy_change_t*>(&change))));
    return !error;
}

// Master pointers by name.
std::vector<std::pair<std::string, std::uint16_t>> masterPointers(xcb_connection_t* c) {
    std::vector<std::pair<std::string, std::uint16_t>> masters;
    X11Reply<xcb_input_xi_query_device_reply_t> devices(xcb_input_xi_query_device_reply(
        c, xcb_input_xi_query_device(c, XCB_INPUT_DEVICE_ALL_MASTER), nullptr));
    if (!devices) return masters;
    for (auto d = xcb_input_xi_query_device_infos_iterator(devices.get()); d.rem > 0;
         xcb_input_xi_device_info_next(&d))
        if (d.data->type == XCB_INPUT_DEVICE_TYPE_MASTER_POINTER)
            masters.emplace_back(
                std::string(xcb_input_xi_device_info_name(d.data),
                            static_cast<std::size_t>(xcb_input_xi_device_info_name_length(d.data))),
                d.data->deviceid);
    return masters;
}

} // namespace

std::unique_ptr<X11StepPointer> X11StepPointer::create() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (c == nullptr || xcb_connection_has_error(c) != 0) {
        if (c != nullptr) xcb_disconnect(c);
        return nullptr;
    }
    std::unique_ptr<X11StepPointer> pointer(new X11StepPointer());
    pointer->connection_ = c;
    pointer->root_ = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const auto* xtest = xcb_get_extension_data(c, &xcb_test_id);
    const auto* xinput = xcb_get_extension_data(c, &xcb_input_id);
    if (xtest == nullptr || !xtest->present || xinput == nullptr || !xinput->present) return nullptr;
    X11Reply<xcb_input_xi_query_version_reply_t> version(
        xcb_input_xi_query_version_reply(c, xcb_input_xi_query_version(c, 2, 2), nullptr));
    if (!version || version->major_version < 2) return nullptr;

    // Pointers of ours whose process died with them in place.
    for (const auto& [name, id] : masterPointers(c))
        if (name.rfind(prefix, 0) == 0) {
            const pid_t owner = static_cast<pid_t>(std::atol(name.c_str() + sizeof(prefix) - 1));
            if (owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH) removeMaster(c, id);
        }

    const std::string name = prefix + std::to_string(::getpid());
    std::vector<std::uint8_t> change(sizeof(xcb_input_add_master_t) + ((name.size() + 3) & ~std::size_t(3)),
                                     0);
    auto* add = reinterpret_cast<xcb_input_add_master_t*>(change.data());
    add->type = XCB_INPUT_HIERARCHY_CHANGE_TYPE_ADD_MASTER;
    add->len = static_cast<std::uint16_t>(change.size() / 4);
    add->name_len = static_cast<std::uint16_t>(name.size());
    add->send_core = 1;
    add->enable = 1;
    std::memcpy(change.data() + sizeof(xcb_input_add_master_t), name.data(), name.size());
    X11Reply<xcb_generic_error_t> error(xcb_request_check(
        c, xcb_input_xi_change_hierarchy_checked(
               c, 1, reinterpret_cast<const xcb_input_hierarchy_change_t*>(change.data()))));
    if (error) return nullptr;
    for (const auto& [masterName, id] : masterPointers(c))
        if (masterName == name + " pointer") pointer->master_ = id;
    if (pointer->master_ == 0) return nullptr;
    // Core requests of this connection (the warp, XTest's clicks) now move and click our pointer.
    X11Reply<xcb_generic_error_t> clientPointer(
        xcb_request_check(c, xcb_input_xi_set_client_pointer_checked(c, XCB_NONE, pointer->master_)));
    if (clientPointer) return nullptr;
    return pointer;
}

X11StepPointer::~X11StepPointer() {
    if (connection_ == nullptr) return;
    if (master_ != 0 && xcb_connection_has_error(connection_) == 0) removeMaster(connection_, master_);
    xcb_disconnect(connection_);
}

bool X11StepPointer::click(int clicks, QPoint at) {
    if (clicks == 0 || xcb_connection_has_error(connection_) != 0) return false;
    xcb_connection_t* c = connection_;
    xcb_warp_pointer(c, XCB_NONE, root_, 0, 0, 0, 0, static_cast<std::int16_t>(at.x()),
                     static_cast<std::int16_t>(at.y()));
    const std::uint8_t button = clicks > 0 ? 4 : 5;
    for (int i = 0; i < std::abs(clicks); ++i) {
        xcb_test_fake_input(c, XCB_BUTTON_PRESS, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(c, XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    }
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    return xcb_connection_has_error(c) == 0;
}

} // namespace quorvane
