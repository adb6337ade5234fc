// The dictionary module's logging category, "orvanta.dictionary". Warnings show; info and
// debug lines only when turned on, e.g. QT_LOGGING_RULES="orvanta.*=true".
#pragma once

#include <QLoggingCategory>

namespace orv::dictionary {

Q_DECLARE_LOGGING_CATEGORY(lcDictionary)

}  // namespace orv::dictionary
