#include "X11Windows.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <cstdlib>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace vesk::test {

namespace {

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_connection_t* connection()
{
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t root(xcb_connection_t* c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(qstrlen(name)), name),
                              nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

/// The root's children, bottom of the stack first.
std::vector<xcb_window_t> stack(xcb_connection_t* c)
{
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root(c)), nullptr),
                                       &std::free);
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return {children, children + xcb_query_tree_children_length(tree.get())};
}

bool isViewable(xcb_connection_t* c, xcb_window_t window)
{
    Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr),
        &std::free);
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

std::optional<std::uint32_t> pidOf(xcb_connection_t* c, xcb_window_t window, xcb_atom_t pidAtom)
{
    Reply<xcb_get_property_reply_t> property(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, pidAtom, XCB_ATOM_CARDINAL, 0, 1),
                               nullptr),
        &std::free);
    if (!property || xcb_get_property_value_length(property.get()) != 4)
        return std::nullopt;
    return *static_cast<const std::uint32_t*>(xcb_get_property_value(property.get()));
}

} // namespace

std::optional<std::uint32_t> X11Windows::topWindowOf(qint64 pid)
{
    xcb_connection_t* c = connection();
    if (!c)
        return std::nullopt;
    const xcb_atom_t pidAtom = atom(c, "_NET_WM_PID");
    std::optional<std::uint32_t> top;
    for (const xcb_window_t window : stack(c)) {
        if (pidOf(c, window, pidAtom) == std::uint32_t(pid) && isViewable(c, window))
            top = window;
    }
    return top;
}

int X11Windows::stackingIndex(std::uint32_t window)
{
    xcb_connection_t* c = connection();
    if (!c)
        return -1;
    const std::vector<xcb_window_t> children = stack(c);
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i] == window)
            return int(i);
    }
    return -1;
}

} // namespace vesk::test
