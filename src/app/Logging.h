// The app module's logging category, "orvanta.app". Warnings show; info and
// debug lines only when turned on, e.g. QT_LOGGING_RULES="orvanta.*=true".
#pragma once

#include <QLoggingCategory>

namespace orv::app {

Q_DECLARE_LOGGING_CATEGORY(lcApp)

}  // namespace orv::app
