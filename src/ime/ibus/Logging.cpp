#include "ime/ibus/Logging.h"

namespace orv::ime {

Q_LOGGING_CATEGORY(lcIBus, "orvanta.ime.ibus", QtWarningMsg)

}  // namespace orv::ime
