#pragma once

// The library's icons: one per directory class it knows, plus "tree root", "Unknown2" and
// the "-posixAccount" / "-apple" variants of the person classes.

#include "raster.h"

#include <string_view>

namespace orvexa {

constexpr int kIconSize = 16;

int iconCount();
// The name of icon `index`; empty when out of range.
std::string_view iconName(int index);
// The index of the icon named `name` (ASCII case ignored), -1 when there is none.
int iconIndex(std::string_view name);
// Every icon side by side, icon 0 leftmost.
const Raster &iconStrip();

} // namespace orvexa
