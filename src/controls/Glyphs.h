#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

// The program's own toolbar and tree artwork and its open-hand cursor, from the resources.
namespace Glyphs {

constexpr int ToolGlyphCount = 13;
constexpr int TreeAlbumGlyph = 0;
constexpr int TreePhotoGlyph = 1;

// Toolbar glyph 0..12 (folder, previous, automatic advance, next, fit, zoom out, actual
// size, zoom in, album page, copy, print, settings, about). The icon carries the glyph as
// its Normal mode and its embossed grey form as its Disabled mode, each drawn at 16 pixels
// and again at 32 for screens scaled to 200%. Null for other indexes.
QIcon toolIcon(int index);

// The classic disabled look: the glyph's dark pixels as a button-shadow grey shape over a
// white copy shifted `shift` pixels right and down (2 for a double-size drawing); light and
// transparent pixels are dropped.
QPixmap disabledForm(const QPixmap& glyph, int shift = 1);

// Tree glyph: TreeAlbumGlyph (an open folder) or TreePhotoGlyph (a page with a picture), at
// 16 and 32 pixels. Null for other indexes.
QIcon treeIcon(int index);

// The program's icon (a photo before an album), at 16, 32 and 48 pixels: the window icon
// and the picture of the About box.
QIcon programIcon();

// "ELIPSIS15": the 14 x 5 three-dot glyph of the ellipsis button, background transparent,
// with its embossed grey form as the Disabled mode.
QIcon ellipsisIcon();

// "Hand1": a 32 x 32 monochrome open hand with its hot spot at the top-left corner.
QCursor handCursor();

} // namespace Glyphs
