// Global hot keys on X11: passive grabs of Up and Down with Control on the
// root window, read through a native event filter on Qt's own connection.
#include "shell/Platform.h"

#include "shell/Logging.h"

#include <QtGui/qguiapplication_platform.h>
#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QGuiApplication>

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// The X11 headers come last: their macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace orv::shell {

namespace {

struct X11Connection {
    Display* display = nullptr;
    xcb_connection_t* connection = nullptr;
};

// Qt's connection, when the program runs on X11 (not offscreen, not pure
// Wayland).
X11Connection Connection() {
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb")) return {};
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display() || !x11->connection()) return {};
    return {x11->display(), x11->connection()};
}

// The modifier bits of a modifier key (0 when the key is not mapped).
unsigned ModifierMaskOf(Display* display, KeySym keysym) {
    const KeyCode code = XKeysymToKeycode(display, keysym);
    if (code == 0) return 0;
    XModifierKeymap* map = XGetModifierMapping(display);
    if (!map) return 0;
    unsigned mask = 0;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            if (map->modifiermap[modifier * map->max_keypermod + k] == code) mask |= 1u << modifier;
        }
    }
    XFreeModifiermap(map);
    return mask;
}

// While a grabbed key event is being handled: whether Ctrl was down at that
// event, as the server stamped it on the event.
std::optional<bool>& CtrlOfEventInHand() {
    static std::optional<bool> ctrl;
    return ctrl;
}

class HotKeyGrab : public QAbstractNativeEventFilter {
  public:
    HotKeyGrab(X11Connection x, std::function<void(const KeyRecord&)> deliver)
        : x_(x), deliver_(std::move(deliver)) {}

    // Ctrl+Up and Ctrl+Down must work whatever CapsLock and NumLock do:
    // those grabs must all succeed. Holding Shift or Alt as well is a
    // convenience: each such combination is grabbed when free and skipped
    // when another client holds it (window managers bind Ctrl+Alt+arrows to
    // switch desktops), never a reason to give up the others.
    bool Grab() {
        root_ = DefaultRootWindow(x_.display);
        upCode_ = XKeysymToKeycode(x_.display, XK_Up);
        downCode_ = XKeysymToKeycode(x_.display, XK_Down);
        if (upCode_ == 0 || downCode_ == 0) {
            qCInfo(lcShell, "The keyboard has no Up or Down key: no hot keys");
            return false;
        }

        const unsigned numLock = ModifierMaskOf(x_.display, XK_Num_Lock);
        unsigned alt = ModifierMaskOf(x_.display, XK_Alt_L);
        if (alt == 0) alt = Mod1Mask;
        std::vector<unsigned> locks;
        for (unsigned lock : {0u, unsigned(LockMask), numLock, LockMask | numLock}) {
            if (std::find(locks.begin(), locks.end(), lock) == locks.end()) locks.push_back(lock);
        }
        struct Attempt {
            unsigned modifiers;
            xcb_keycode_t code;
            bool required;
            xcb_void_cookie_t cookie;
        };
        std::vector<Attempt> attempts;
        for (unsigned extra : {0u, unsigned(ShiftMask), alt, ShiftMask | alt}) {
            for (unsigned lock : locks) {
                for (xcb_keycode_t code : {upCode_, downCode_}) {
                    const unsigned modifiers = ControlMask | extra | lock;
                    attempts.push_back(
                        {modifiers, code, extra == 0,
                         xcb_grab_key_checked(x_.connection, 0, static_cast<xcb_window_t>(root_),
                                              static_cast<uint16_t>(modifiers), code,
                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
                }
            }
        }
        bool requiredHeld = true;
        for (const Attempt& attempt : attempts) {
            if (xcb_generic_error_t* error = xcb_request_check(x_.connection, attempt.cookie)) {
                qCWarning(lcShell, "Ctrl+%s with modifiers 0x%x is held by another client",
                          attempt.code == upCode_ ? "Up" : "Down", attempt.modifiers);
                if (attempt.required) requiredHeld = false;
                free(error);
            } else {
                grabbed_.push_back({attempt.modifiers, attempt.code});
            }
        }
        if (!requiredHeld) {
            qCWarning(lcShell, "Ctrl+Up/Down are held by another client: no hot keys");
            Ungrab();
            return false;
        }
        return true;
    }

    void Ungrab() {
        for (const auto& [modifiers, code] : grabbed_) {
            xcb_ungrab_key(x_.connection, code, static_cast<xcb_window_t>(root_),
                           static_cast<uint16_t>(modifiers));
        }
        xcb_flush(x_.connection);
        grabbed_.clear();
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const uint8_t type = event->response_type & 0x7f;
        if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE) return false;
        // The grabbed keys arrive on the root window, whichever window has
        // the focus; keys typed into the program's own windows do not.
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (key->event != root_ || (key->detail != upCode_ && key->detail != downCode_)) {
            return false;
        }
        KeyRecord record;
        record.vkCode = key->detail == upCode_ ? kVkUp : kVkDown;
        // The handler asks whether Ctrl is down; the answer is its state at
        // this event. Asking the server instead would give its state when
        // the event is handled, later, and lose every hot key whose Ctrl was
        // let go in between (a busy moment, or keys sent in one burst).
        const std::optional<bool> outer = CtrlOfEventInHand();
        CtrlOfEventInHand() = (key->state & XCB_MOD_MASK_CONTROL) != 0;
        deliver_(record);
        CtrlOfEventInHand() = outer;
        return true;  // the event is the hot key's: Qt has nothing to do with it
    }

  private:
    X11Connection x_;
    std::function<void(const KeyRecord&)> deliver_;
    Window root_ = 0;
    xcb_keycode_t upCode_ = 0;
    xcb_keycode_t downCode_ = 0;
    std::vector<std::pair<unsigned, xcb_keycode_t>> grabbed_;
};

std::unique_ptr<HotKeyGrab>& ActiveGrab() {
    static std::unique_ptr<HotKeyGrab> grab;
    return grab;
}

}  // namespace

bool GrabHotKeys(std::function<void(const KeyRecord&)> deliver) {
    const X11Connection x = Connection();
    if (!x.display) {
        qCInfo(lcShell, "No X11 connection (platform %s): no hot keys",
               qUtf8Printable(QGuiApplication::platformName()));
        return false;
    }
    ReleaseHotKeys();
    auto grab = std::make_unique<HotKeyGrab>(x, std::move(deliver));
    if (!grab->Grab()) return false;
    qGuiApp->installNativeEventFilter(grab.get());
    ActiveGrab() = std::move(grab);
    return true;
}

void ReleaseHotKeys() {
    auto& grab = ActiveGrab();
    if (!grab) return;
    if (qGuiApp) qGuiApp->removeNativeEventFilter(grab.get());
    if (Connection().display) grab->Ungrab();
    grab.reset();
}

bool IsControlKeyDown() {
    if (CtrlOfEventInHand()) return *CtrlOfEventInHand();
    const X11Connection x = Connection();
    if (!x.display) return false;
    XModifierKeymap* map = XGetModifierMapping(x.display);
    if (!map) return false;
    char keys[32] = {};
    XQueryKeymap(x.display, keys);
    bool down = false;
    for (int k = 0; k < map->max_keypermod; ++k) {
        const KeyCode code = map->modifiermap[ControlMapIndex * map->max_keypermod + k];
        if (code != 0 && (keys[code / 8] & (1 << (code % 8)))) down = true;
    }
    XFreeModifiermap(map);
    return down;
}

void SendShiftKeystroke() {
    const X11Connection x = Connection();
    if (!x.display) return;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(x.display, &eventBase, &errorBase, &major, &minor)) {
        qCInfo(lcShell, "The X server has no XTEST extension: no Shift keystroke sent");
        return;
    }
    const KeyCode shift = XKeysymToKeycode(x.display, XK_Shift_L);
    if (shift == 0) return;
    XTestFakeKeyEvent(x.display, shift, True, CurrentTime);
    XTestFakeKeyEvent(x.display, shift, False, CurrentTime);
    XFlush(x.display);
}

void FlushWindowSystem() {
    const X11Connection x = Connection();
    if (x.connection) xcb_flush(x.connection);
}

}  // namespace orv::shell
