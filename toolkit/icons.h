#pragma once

// The program's own pictures, compiled into the toolkit library as SVG and drawn by Qt SVG at the
// size and scale factor asked for. Every function answers a fresh QIcon; call them after
// QGuiApplication exists.

#include <QIcon>

// Pictures of the shared image list that the toolbar and the menus use, by position 0 … 13:
// 1 edit group, 2 open document, 3 new item, 4 delete item, 5 edit item, 6 new top-level group,
// 7 new group in the selected branch, 8 delete group, 9 report, 10 set filter, 12 help,
// 13 edit places; 0 and 11 are neutral (a catalogue box, a folder).
inline constexpr int ImageListCount = 14;

// A null icon for a position outside the list, which is what a menu entry without a picture wants.
QIcon ImageListIcon(int index);

// The progress panel's cancel button (drawn for 24 × 24).
QIcon CancelIcon();

enum class PreviewPicture { ZoomWidth, ZoomFit, ZoomIn, ZoomOut, Print };
QIcon PreviewIcon(PreviewPicture picture);

// The item dialog's buttons: choosing the main document, inserting a link to a file.
enum class DialogPicture { ChooseFile, InsertFile };
QIcon DialogIcon(DialogPicture picture);

// The main window's and the application's icon.
QIcon ApplicationIcon();
