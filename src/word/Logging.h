// The word module's logging category, "orvanta.word". Warnings show; info and
// debug lines only when turned on, e.g. QT_LOGGING_RULES="orvanta.*=true".
#pragma once

#include <QLoggingCategory>

namespace orv::word {

Q_DECLARE_LOGGING_CATEGORY(lcWord)

}  // namespace orv::word
