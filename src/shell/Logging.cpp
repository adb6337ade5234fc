#include "shell/Logging.h"

namespace orv::shell {

Q_LOGGING_CATEGORY(lcShell, "orvanta.shell", QtWarningMsg)

}  // namespace orv::shell
