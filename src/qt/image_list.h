// The main window's seven 19 by 19 pictures, drawn by the program itself:
// 0 start, 1 stop, 2 background start, 3 background stop, 4 hide, 5 show, 6 close.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>

namespace qm::qt {

inline constexpr int kImageCount = 7;
inline constexpr int kImageSize = 19;

QPixmap ImageListPixmap(int index);
// An empty icon for an index outside the list (a button without a glyph).
QIcon ImageListIcon(int index);
// The help button's picture: a question mark on a blue disc.
QIcon HelpIcon();
// The window's and the tray's own picture at `size` pixels square; drawn without a display,
// so the installed icon files are made from the same drawing.
QImage ApplicationImage(int size);
QIcon ApplicationIcon();

}  // namespace qm::qt
