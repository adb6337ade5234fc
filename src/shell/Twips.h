#pragma once

#include "app/Twips.h"

namespace orv::shell {
using app::Px;
using app::TwipRect;
}  // namespace orv::shell
