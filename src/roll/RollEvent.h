#pragma once

#include <cstdint>

#include "platform/CString.h"

// One decoded event of a roll.
struct RollEvent {
    // The values of kind: a track closed or opened, or a control code, which is its own value.
    static constexpr std::int32_t kTrackClosed = 0;
    static constexpr std::int32_t kTrackOpened = 1;
    static constexpr std::int32_t kFirstControl = 240;  // the control codes: 240 to 255
    static constexpr std::int32_t kLastControl = 255;
    static constexpr std::int32_t kCopyright = 240;  // followed by the copyright text
    static constexpr std::int32_t kLyric = 242;      // followed by a lyric
    static constexpr std::int32_t kLastText = 244;   // 240 to 244 are followed by a text

    // kTrackOpened: a track (hole) opened; kTrackClosed: a track closed; kFirstControl to
    // kLastControl: the control code itself.
    std::int32_t kind = kTrackClosed;
    // For a track opened or closed the MIDI note of the track (track number + 15); 0 for control
    // codes.
    std::int32_t note = 0;
    // The roll position in thousandths of an inch.
    std::int32_t time = 0;
    // For control codes 240 to 244 the text that follows the code; empty otherwise.
    CString text;
};
