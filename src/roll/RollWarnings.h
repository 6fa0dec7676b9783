#pragma once

#include <string>
#include <vector>

class CRollscribeDoc;

namespace rollscribe {

class AnnotationLookalikes;

// A warning about a roll just loaded: file is the roll as named (or its annotation file as named),
// text what is said after "FILE: ".
struct RollWarning {
    std::string file;
    std::string text;
};

// What is doubtful about the roll loaded into doc from rollPath (as named), in the order they are
// reported; lookalikes may be null (the folder is listed then). An annotation file with LF line
// ends is said whenever it was read, even when the load failed later; the rest only for a roll
// whose load completed (m_converted: its MIDI file written), as a failed roll is reported by its
// failure: no annotation file, one that cannot be read, a roll file that ends inside a record,
// positions past the 32-bit time range, texts cut short.
std::vector<RollWarning> RollWarningsOf(const CRollscribeDoc& doc, const std::string& rollPath,
                                        AnnotationLookalikes* lookalikes);

}  // namespace rollscribe
