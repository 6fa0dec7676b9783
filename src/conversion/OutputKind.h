#pragma once

namespace rollscribe {

// A roll's outputs, in the order a conversion writes them: the MIDI file (with the expression
// file beside it, written in the same load), then the picture, then the sound file, which is
// rendered from the MIDI or expression file written before it.
enum class OutputKind { midi, expression, picture, sound };

}  // namespace rollscribe
