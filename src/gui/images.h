// The pictures of the window: the tree's image list, the two log icons and the program icon, all
// drawn with QPainter so they stay sharp at every size and device pixel ratio.
#pragma once

#include <QIcon>

namespace velmora::gui {

// Indexes of the tree's image list.
namespace treeimage {
inline constexpr int PlainLine = 0;
inline constexpr int TimeCode = 1;
inline constexpr int SequenceHeader = 2;
inline constexpr int Extension = 3;
inline constexpr int Gop = 4;
inline constexpr int IPicture = 5;
inline constexpr int PPicture = 6;
inline constexpr int BPicture = 7;
inline constexpr int CodingExtension = 8;
inline constexpr int UserData = 9;
inline constexpr int StreamId = 10;
inline constexpr int Count = 11;
}  // namespace treeimage

// Indexes of the log's image list.
namespace logimage {
inline constexpr int Warning = 0;
inline constexpr int Information = 1;
}  // namespace logimage

// Image Index of the tree's list; a null icon for an index outside 0..10.
QIcon TreeImage(int Index);
// Image Index of the log's list; a null icon for an index outside 0..1.
QIcon LogImage(int Index);
QIcon ProgramIcon();

}  // namespace velmora::gui
