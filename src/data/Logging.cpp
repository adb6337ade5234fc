#include "data/Logging.h"

namespace orv::data {

Q_LOGGING_CATEGORY(lcData, "orvanta.data", QtWarningMsg)

}  // namespace orv::data
