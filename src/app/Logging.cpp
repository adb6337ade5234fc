#include "app/Logging.h"

namespace orv::app {

Q_LOGGING_CATEGORY(lcApp, "orvanta.app", QtWarningMsg)

}  // namespace orv::app
