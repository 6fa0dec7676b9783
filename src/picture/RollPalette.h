#pragma once

#include <cstdint>

#include "roll/RollEvent.h"

namespace rollscribe {

// A colour as 0xRRGGBB.
struct Colour {
    std::uint32_t rgb;
    constexpr double Red() const { return ((rgb >> 16) & 0xFF) / 255.0; }
    constexpr double Green() const { return ((rgb >> 8) & 0xFF) / 255.0; }
    constexpr double Blue() const { return (rgb & 0xFF) / 255.0; }
};

// The colours of the roll picture, shared by every renderer so that all outputs look alike.
// Notes are a strong blue on light paper; what the MIDI file does not play as notes (expression
// and pedal holes, tracks above note 127) is a muted warm grey on a grey lane.
namespace palette {
inline constexpr Colour kPaper{0xFBFAF6};
inline constexpr Colour kHeader{0xF0EDE5};
inline constexpr Colour kHeaderRule{0xC9C2B2};
inline constexpr Colour kTitle{0x1D2733};
inline constexpr Colour kSubtitle{0x55606E};
inline constexpr Colour kScale{0xE6E2D8};
inline constexpr Colour kScaleTick{0x7D7768};
inline constexpr Colour kScaleText{0x3F4650};
inline constexpr Colour kGutter{0xEEEBE3};
inline constexpr Colour kGutterRule{0xC9C2B2};
inline constexpr Colour kLabel{0x2B3440};
inline constexpr Colour kMutedLabel{0x8C8578};
inline constexpr Colour kWhiteKeyLane{0xFFFEFB};
inline constexpr Colour kBlackKeyLane{0xF2F0EA};
inline constexpr Colour kOctaveRule{0xD8D2C4};
inline constexpr Colour kMutedLane{0xE4E2DD};
inline constexpr Colour kGapLane{0xEEEBE3};  // where the tracker bar has no hole
inline constexpr Colour kNote{0x1F5FA8};
inline constexpr Colour kMutedHole{0xA38F74};
inline constexpr Colour kRollEnd{0x9A9384};
inline constexpr Colour kCopyright{0xB03A2E};
inline constexpr Colour kLyric{0x23855A};
inline constexpr Colour kText{0x7D3C98};
inline constexpr Colour kCode{0x8A8A8A};
inline constexpr Colour kCursor{0xE0301E};
// The expression: the level of each half, the pedals down, the words of the control holes.
inline constexpr Colour kLevelPlot{0xFFFEFB};
inline constexpr Colour kLevelGrid{0xE2DDD0};
inline constexpr Colour kBassLevel{0xC2561A};
inline constexpr Colour kTrebleLevel{0x17808F};
inline constexpr Colour kPedalRow{0xE4E2DD};
inline constexpr Colour kSustainPedal{0xC8902E};
inline constexpr Colour kSoftPedal{0x7B93AE};
inline constexpr Colour kControlLabel{0x6B4A1F};
}  // namespace palette

// The colour of a marker for a control code.
constexpr Colour MarkerColour(std::int32_t code) {
    if (code == RollEvent::kCopyright) return palette::kCopyright;
    if (code == RollEvent::kLyric) return palette::kLyric;
    if (code > RollEvent::kFirstControl && code <= RollEvent::kLastText) return palette::kText;
    return palette::kCode;
}

}  // namespace rollscribe
