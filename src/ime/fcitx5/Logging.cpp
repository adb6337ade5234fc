#include "ime/fcitx5/Logging.h"

namespace orv::ime {

Q_LOGGING_CATEGORY(lcFcitx, "orvanta.ime.fcitx5", QtWarningMsg)

}  // namespace orv::ime
