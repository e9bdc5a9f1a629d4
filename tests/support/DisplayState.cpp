#include "support/DisplayState.h"

#include "support/WaitUntil.h"

#include <QString>
#include <algorithm>
#include <cstdlib>
#include <xcb/randr.h>
#include <xcb/xcb.h>

namespace quorvane::test {
namespace {

template<class T>
struct Freed {
    T* reply;
    ~Freed() { std::free(reply); }
    T* operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
};

std::string atomName(xcb_connection_t* c, xcb_atom_t atom) {
    Freed<xcb_get_atom_name_reply_t> name{xcb_get_atom_name_reply(c, xcb_get_atom_name(c, atom), nullptr)};
    if (!name) return std::to_string(atom);
    return std::string(xcb_get_atom_name_name(name.reply), xcb_get_atom_name_name_length(name.reply));
}

xcb_atom_t atom(xcb_connection_t* c, const std::string& name) {
    Freed<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<std::uint16_t>(name.size()), name.data()), nullptr)};
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::string owner(xcb_connection_t* c, const std::string& selection) {
    Freed<xcb_get_selection_owner_reply_t> reply{
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom(c, selection)), nullptr)};
    return selection + (reply && reply->owner != XCB_NONE ? " owned" : " free");
}

void readState(xcb_connection_t* c, xcb_window_t root, std::vector<std::string>& facts) {
    // Properties on the root window: window managers leave theirs behind when they are killed.
    Freed<xcb_list_properties_reply_t> properties{
        xcb_list_properties_reply(c, xcb_list_properties(c, root), nullptr)};
    if (properties) {
        const xcb_atom_t* atoms = xcb_list_properties_atoms(properties.reply);
        for (int i = 0; i < xcb_list_properties_atoms_length(properties.reply); ++i)
            facts.push_back("root property " + atomName(c, atoms[i]));
    }
    for (const char* selection : {"WM_S0", "_NET_WM_CM_S0"})
        facts.push_back(owner(c, selection));
    // Windows on the screen.
    Freed<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)};
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree.reply);
        for (int i = 0; i < xcb_query_tree_children_length(tree.reply); ++i) {
            Freed<xcb_get_window_attributes_reply_t> attributes{
                xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr)};
            if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
                facts.push_back("window on screen " + QString::number(children[i], 16).toStdString());
        }
    }
    Freed<xcb_query_pointer_reply_t> pointer{xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr)};
    if (pointer)
        facts.push_back("pointer at " + std::to_string(pointer->root_x) + "," +
                        std::to_string(pointer->root_y));
    Freed<xcb_get_input_focus_reply_t> focus{xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)};
    if (focus)
        facts.push_back("focus " + (focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT ? std::string("pointer root")
                                    : focus->focus == XCB_NONE                   ? std::string("none")
                                    : focus->focus == root                       ? std::string("root window")
                                                                                 : std::string("a window")));
    Freed<xcb_randr_get_monitors_reply_t> monitors{
        xcb_randr_get_monitors_reply(c, xcb_randr_get_monitors(c, root, 1), nullptr)};
    if (monitors)
        for (auto it = xcb_randr_get_monitors_monitors_iterator(monitors.reply); it.rem > 0;
             xcb_randr_monitor_info_next(&it))
            facts.push_back("monitor " + atomName(c, it.data->name) + " " + std::to_string(it.data->width) +
                            "x" + std::to_string(it.data->height) + "+" + std::to_string(it.data->x) + "+" +
                            std::to_string(it.data->y));
    // A grab held by any client makes ours fail.
    Freed<xcb_grab_pointer_reply_t> pointerGrab{
        xcb_grab_pointer_reply(c,
                               xcb_grab_pointer(c, 0, root, 0, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                                                XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
                               nullptr)};
    facts.push_back(pointerGrab && pointerGrab->status == XCB_GRAB_STATUS_SUCCESS ? "pointer free"
                                                                                  : "pointer grabbed");
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    Freed<xcb_grab_keyboard_reply_t> keyboardGrab{xcb_grab_keyboard_reply(
        c, xcb_grab_keyboard(c, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr)};
    facts.push_back(keyboardGrab && keyboardGrab->status == XCB_GRAB_STATUS_SUCCESS ? "keyboard free"
                                                                                    : "keyboard grabbed");
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
}

} // namespace

DisplayState DisplayState::now() {
    DisplayState state;
    int screen = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(c) != 0) {
        xcb_disconnect(c);
        state.facts.push_back("no display");
        return state;
    }
    auto roots = xcb_setup_roots_iterator(xcb_get_setup(c));
    readState(c, roots.data->root, state.facts);
    xcb_disconnect(c);
    std::sort(state.facts.begin(), state.facts.end());
    return state;
}

InputKept::InputKept() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    Freed<xcb_query_pointer_reply_t> pointer{xcb_query_pointer_reply(c, xcb_query_pointer(c, root), nullptr)};
    if (pointer) pointer_ = QPoint(pointer->root_x, pointer->root_y);
    Freed<xcb_get_input_focus_reply_t> focus{xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)};
    focusFollowsPointer_ = focus && focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT;
    xcb_disconnect(c);
}

InputKept::~InputKept() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    if (pointer_)
        xcb_warp_pointer(c, XCB_NONE, root, 0, 0, 0, 0, static_cast<std::int16_t>(pointer_->x()),
                         static_cast<std::int16_t>(pointer_->y()));
    if (focusFollowsPointer_)
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_INPUT_FOCUS_POINTER_ROOT, XCB_CURRENT_TIME);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
}

void DisplayStateCheck::OnTestStart(const ::testing::TestInfo&) {
    before_ = DisplayState::now();
}

void DisplayStateCheck::OnTestEnd(const ::testing::TestInfo&) {
    // What a test undid at its end may take the server a moment (a window manager that quits).
    DisplayState after;
    waitUntil([&] { return (after = DisplayState::now()) == before_; }, 2000);
    if (after == before_) return;
    std::string changes;
    for (const auto& fact : before_.facts)
        if (std::find(after.facts.begin(), after.facts.end(), fact) == after.facts.end())
            changes += "\n  - " + fact;
    for (const auto& fact : after.facts)
        if (std::find(before_.facts.begin(), before_.facts.end(), fact) == before_.facts.end())
            changes += "\n  + " + fact;
    ADD_FAILURE() << "The test left its display otherwise than it found it:" << changes;
}

} // namespace quorvane::test
