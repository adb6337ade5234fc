// The converter module's logging category, "orvanta.converter". Warnings show; info and
// debug lines only when turned on, e.g. QT_LOGGING_RULES="orvanta.*=true".
#pragma once

#include <QLoggingCategory>

namespace orv::converter {

Q_DECLARE_LOGGING_CATEGORY(lcConverter)

}  // namespace orv::converter
