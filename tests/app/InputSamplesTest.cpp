// Every pointer sample the X server delivers reaches the controller, however fast they come:
// the events are sent from a second X connection while the program is busy, so they queue
// up the way a fast pen stroke's do.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QElapsedTimer>
#include <algorithm>
#include <cstdlib>

#include "WindowHarness.h"
#include "document/Drawing.h"
#include "platform/ConstantProvider.h"

namespace {
struct XSender {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    ~XSender() { xcb_disconnect(c); }

    // A core pointer event with window coordinates (origin top left). Sent with an empty
    // event mask, it goes to the client that created the window.
    void send(std::uint8_t type, xcb_window_t window, int x, int y, std::uint16_t state,
              std::uint8_t button = 0) {
        xcb_motion_notify_event_t e{};  // the press, release and motion layouts are the same
        e.response_type = type;
        e.detail = button;
        e.root = root;
        e.event = window;
        e.child = XCB_NONE;
        e.root_x = e.event_x = static_cast<std::int16_t>(x);
        e.root_y = e.event_y = static_cast<std::int16_t>(y);
        e.state = state;
        e.same_screen = 1;
        xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e));
    }
};
}  // namespace

TEST(InputSamples, AFastDragKeepsEveryMove) {
    WindowHarness w;
    ASSERT_TRUE(w.exposed);
    XSender x;
    ASSERT_FALSE(xcb_connection_has_error(x.c));
    const auto window = static_cast<xcb_window_t>(w.widget->winId());

    QElapsedTimer sent;
    sent.start();
    // On the page, clear of the menu in the lower left and of the border band.
    x.send(XCB_BUTTON_PRESS, window, 450, 150, 0, 1);
    for (int i = 1; i <= 200; ++i)
        x.send(XCB_MOTION_NOTIFY, window, 450 + i, 150 + i % 7, XCB_BUTTON_MASK_1);
    x.send(XCB_BUTTON_RELEASE, window, 650, 150 + 200 % 7, XCB_BUTTON_MASK_1, 1);
    xcb_flush(x.c);
    ASSERT_LT(sent.elapsed(), 50);
    // A round trip: the server has handled (and delivered) everything sent before it.
    free(xcb_get_input_focus_reply(x.c, xcb_get_input_focus(x.c), nullptr));

    auto& ids = ConstantProvider::getInstance();
    const std::uint32_t press = ids.getEventTypeIdentifier("PRESS");
    const std::uint32_t release = ids.getEventTypeIdentifier("RELEASE");
    auto isRelease = [&](const RoutedEvent& e) { return e.type == release; };
    for (int waited = 0; waited < 3000; waited += 10) {
        if (std::any_of(w.routed.begin(), w.routed.end(), isRelease)) break;
        w.settle(10);
    }
    // The toolkit may add a move to the press position before the press; count the moves
    // between press and release.
    const auto first = std::find_if(w.routed.begin(), w.routed.end(),
                                    [&](const RoutedEvent& e) { return e.type == press; });
    const auto last = std::find_if(first, w.routed.end(), isRelease);
    ASSERT_NE(last, w.routed.end());
    EXPECT_EQ(last - first - 1, 200);
    EXPECT_EQ(w.manager().drawing().strokes.count(), 1u) << "the drag drew one stroke";
}
