// The engine module's logging category, "orvanta.engine". Warnings show; info and
// debug lines only when turned on, e.g. QT_LOGGING_RULES="orvanta.*=true".
#pragma once

#include <QLoggingCategory>

namespace orv::engine {

Q_DECLARE_LOGGING_CATEGORY(lcEngine)

}  // namespace orv::engine
