#pragma once

#include <QIcon>

namespace tarnbeck {

// The small 16 x 16 pictures of the tool bar and the glyph buttons, drawn by code.
enum class Glyph { Exit, Tree, Settings, About, Help, Add, Delete, Find };
QIcon GlyphIcon(Glyph glyph);

} // namespace tarnbeck
