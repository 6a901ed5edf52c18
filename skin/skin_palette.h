#pragma once

// The skin's colours where code paints rather than the style sheet: the file
// list's rows and the skin's pictures. vidmora.qss spells the same values.

#include <QColor>

namespace vidmora::skin {

// Bars, focus rings, the running mark: the one accent of the skin.
inline const QColor kAccent{0x2f, 0x6f, 0xed};
// Text on light backgrounds, and quieter text beside it.
inline const QColor kText{0x25, 0x2b, 0x36};
inline const QColor kMutedText{0x6b, 0x75, 0x84};
// A failed row's reason.
inline const QColor kFailedText{0xc0, 0x39, 0x39};
// A selected row, and the empty part of a progress bar.
inline const QColor kSelection{0xe3, 0xec, 0xfd};
inline const QColor kTrack{0xe1, 0xe6, 0xee};
// The pictures' lines and marks.
inline const QColor kWhite{255, 255, 255};
inline const QColor kInk{0x3a, 0x44, 0x55};
inline const QColor kGreen{0x22, 0xa0, 0x5b};
inline const QColor kRed{0xd9, 0x3f, 0x3f};
inline const QColor kAmber{0xe0, 0x9a, 0x1b};
inline const QColor kGrey{0x9a, 0xa3, 0xb0};

}  // namespace vidmora::skin
