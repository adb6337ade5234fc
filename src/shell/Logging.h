// The shell module's logging category, "orvanta.shell". Warnings show; info and
// debug lines only when turned on, e.g. QT_LOGGING_RULES="orvanta.*=true".
#pragma once

#include <QLoggingCategory>

namespace orv::shell {

Q_DECLARE_LOGGING_CATEGORY(lcShell)

}  // namespace orv::shell
