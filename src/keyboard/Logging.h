// The keyboard module's logging category, "orvanta.keyboard". Warnings show; info and
// debug lines only when turned on, e.g. QT_LOGGING_RULES="orvanta.*=true".
#pragma once

#include <QLoggingCategory>

namespace orv::keyboard {

Q_DECLARE_LOGGING_CATEGORY(lcKeyboard)

}  // namespace orv::keyboard
