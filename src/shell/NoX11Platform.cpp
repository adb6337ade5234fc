// The window-system services of a build without X11 (ORVANTA_X11=OFF): no
// global hot keys and no key sending. The tools still open from the main
// window, the notification area and `orvanta --siddham`, which the log
// says once, when the hot keys are first asked for.
#include "shell/Logging.h"
#include "shell/Platform.h"

#include <utility>

namespace orv::shell {

bool GrabHotKeys(std::function<void(const KeyRecord&)>) {
    static bool told = false;
    if (!std::exchange(told, true)) {
        qCWarning(lcShell,
                  "Built without X11: no global hot keys; bind a desktop shortcut to "
                  "\"orvanta --siddham\" instead");
    }
    return false;
}

void ReleaseHotKeys() {}

bool IsControlKeyDown() { return false; }

void SendShiftKeystroke() {}

void FlushWindowSystem() {}

}  // namespace orv::shell
