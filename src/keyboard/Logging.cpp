#include "keyboard/Logging.h"

namespace orv::keyboard {

Q_LOGGING_CATEGORY(lcKeyboard, "orvanta.keyboard", QtWarningMsg)

}  // namespace orv::keyboard
