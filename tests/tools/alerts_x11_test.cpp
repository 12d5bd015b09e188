// Alerts of the tool windows on a real X display (a private Xvfb without a window manager, run
// by scripts/with-display): keys and clicks go through the X server as from a keyboard and a
// mouse, to the window X gives the focus to. The offscreen platform only simulates that.
#include "shared/ToolWindowDriver.h"
#include "tools/batchcut/BatchCutterWindowController.h"
#include "tools/join/JoinnerWindowController.h"

#include <memory>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace {

using tooltest::openAlert;
using tooltest::waitUntil;

// A keyboard and a mouse on the display (the XTEST extension), and what the server says has
// the keyboard.
class XInput {
public:
    XInput() : c_(xcb_connect(nullptr, nullptr)) {}
    ~XInput() { xcb_disconnect(c_); }
    XInput(const XInput&) = delete;
    XInput& operator=(const XInput&) = delete;

    bool ok() const { return xcb_connection_has_error(c_) == 0; }

    // Presses and releases the key that types `keysym`.
    void key(xcb_keysym_t keysym) {
        const xcb_keycode_t code = keycodeOf(keysym);
        ASSERT_NE(code, 0) << "no key types " << keysym;
        fake(XCB_KEY_PRESS, code);
        fake(XCB_KEY_RELEASE, code);
    }

    // Moves the pointer to a point of the screen and clicks the left button there.
    void click(QPoint at) {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        xcb_test_fake_input(c_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, int16_t(at.x()),
                            int16_t(at.y()), 0);
        fake(XCB_BUTTON_PRESS, 1);
        fake(XCB_BUTTON_RELEASE, 1);
    }

    xcb_window_t focus() {
        std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&free)> reply(
            xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr), &free);
        return reply ? reply->focus : XCB_NONE;
    }

private:
    // Each with a round trip: the server has handled it once focus() answers.
    void fake(uint8_t type, uint8_t detail) {
        xcb_test_fake_input(c_, type, detail, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        focus();
    }

    xcb_keycode_t keycodeOf(xcb_keysym_t keysym) {
        const xcb_setup_t* setup = xcb_get_setup(c_);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&free)> map(
            xcb_get_keyboard_mapping_reply(
                c_, xcb_get_keyboard_mapping(c_, setup->min_keycode, uint8_t(count)), nullptr),
            &free);
        if (!map)
            return 0;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.get());
        for (int i = 0; i < count; ++i)
            if (syms[i * map->keysyms_per_keycode] == keysym)
                return xcb_keycode_t(setup->min_keycode + i);
        return 0;
    }

    xcb_connection_t* c_;
};

constexpr xcb_keysym_t kReturn = 0xff0d;
constexpr xcb_keysym_t kEscape = 0xff1b;
constexpr xcb_keysym_t kSpace = 0x20;

// Whether `w` has the keyboard and keeps it while the program handles what the server sent:
// the server's focus is on it and the program has taken it as its active window.
bool keyboardStaysWith(XInput& x, QWidget* w) {
    int turns = 0;
    return waitUntil(
        [&] {
            turns =
                x.focus() == xcb_window_t(w->winId()) && QApplication::activeWindow() == w ? turns + 1 : 0;
            return turns >= 20;
        },
        10000);
}

// A tool window on the screen with the keyboard, as a user has it before acting.
template <typename W> struct ActiveTool : tooltest::WindowHolder<W> {
    ActiveTool() {
        this->window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(this->window));
    }
};

} // namespace

TEST(AlertsOnX, TwoAlertsOfOneAddAnswerTheKeyboardInTurn) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    XInput x;
    ASSERT_TRUE(x.ok()) << "no X display";
    ActiveTool<BatchCutterWindowController> tool;
    EXPECT_EQ(
        tool.window->addFiles({testsupport::media("ac3_audio.mkv"), testsupport::media("not_media.mp4")}), 0);
    QPointer<QMessageBox> top = openAlert();
    ASSERT_NE(top, nullptr);
    EXPECT_TRUE(keyboardStaysWith(x, top)) << "the alert on top has the keyboard";
    x.key(kReturn);
    ASSERT_TRUE(waitUntil([&] { return !top; }, 10000)) << "Return answers it";
    QPointer<QMessageBox> next = openAlert();
    ASSERT_NE(next, nullptr);
    EXPECT_TRUE(keyboardStaysWith(x, next)) << "the one under it has the keyboard next";
    x.key(kSpace);
    ASSERT_TRUE(waitUntil([&] { return !next; }, 10000)) << "Space answers it";
    EXPECT_EQ(openAlert(), nullptr);
    EXPECT_TRUE(keyboardStaysWith(x, tool.window)) << "then the window has it back";
}

TEST(AlertsOnX, AClickOnTheWindowBehindAnAlertLeavesTheKeyboardWithTheAlert) {
    XInput x;
    ASSERT_TRUE(x.ok()) << "no X display";
    ActiveTool<JoinnerWindowController> tool;
    EXPECT_EQ(tool.window->addFiles({testsupport::media("not_media.mp4")}), 0);
    QPointer<QMessageBox> alert = openAlert();
    ASSERT_NE(alert, nullptr);
    ASSERT_TRUE(keyboardStaysWith(x, alert));
    const QPoint behind = tool.window->mapToGlobal(QPoint(10, tool.window->height() - 10));
    ASSERT_FALSE(alert->frameGeometry().contains(behind));
    x.click(behind);
    EXPECT_TRUE(keyboardStaysWith(x, alert)) << "the alert keeps the keyboard";
    x.key(kEscape);
    EXPECT_TRUE(waitUntil([&] { return !alert; }, 10000)) << "Escape answers it";
}
