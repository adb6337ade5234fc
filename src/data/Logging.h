// The data module's logging category, "orvanta.data". Warnings show; info and
// debug lines only when turned on, e.g. QT_LOGGING_RULES="orvanta.*=true".
#pragma once

#include <QLoggingCategory>

namespace orv::data {

Q_DECLARE_LOGGING_CATEGORY(lcData)

}  // namespace orv::data
