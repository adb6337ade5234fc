#include "engine/Logging.h"

namespace orv::engine {

Q_LOGGING_CATEGORY(lcEngine, "orvanta.engine", QtWarningMsg)

}  // namespace orv::engine
