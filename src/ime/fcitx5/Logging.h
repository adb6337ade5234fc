// The Fcitx5 addon's logging category, "orvanta.ime.fcitx5". Warnings show;
// info and debug lines only when turned on, e.g.
// QT_LOGGING_RULES="orvanta.*=true".
#pragma once

#include <QLoggingCategory>

namespace orv::ime {

Q_DECLARE_LOGGING_CATEGORY(lcFcitx)

}  // namespace orv::ime
