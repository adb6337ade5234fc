// Placeholder until the document bridge lands.
#pragma once

namespace orv::dictionary::Document {
inline void CopySelection() {}
}  // namespace orv::dictionary::Document
