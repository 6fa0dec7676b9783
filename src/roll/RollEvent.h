#pragma once

#include <cstdint>

#include "platform/CString.h"

// One decoded event of a roll.
struct RollEvent {
    // 1: a track (hole) opened; 0: a track closed; 240 to 255: the control code itself.
    std::int32_t kind = 0;
    // For kinds 0 and 1 the MIDI note of the track (track number + 15); 0 for control codes.
    std::int32_t note = 0;
    // The roll position in thousandths of an inch.
    std::int32_t time = 0;
    // For control codes 240 to 244 the text that follows the code; empty otherwise.
    CString text;
};
