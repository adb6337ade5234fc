#include "converter/Logging.h"

namespace orv::converter {

Q_LOGGING_CATEGORY(lcConverter, "orvanta.converter", QtWarningMsg)

}  // namespace orv::converter
