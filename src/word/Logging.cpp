#include "word/Logging.h"

namespace orv::word {

Q_LOGGING_CATEGORY(lcWord, "orvanta.word", QtWarningMsg)

}  // namespace orv::word
