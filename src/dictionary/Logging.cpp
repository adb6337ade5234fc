#include "dictionary/Logging.h"

namespace orv::dictionary {

Q_LOGGING_CATEGORY(lcDictionary, "orvanta.dictionary", QtWarningMsg)

}  // namespace orv::dictionary
