#pragma once

#include <cstdint>
#include <optional>
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

// The holes of a roll system's tracker bar as the roll's events number them (RollEvent::note):
// the lowest and the highest note. The roll system's profile knows them (RollProfile's
// ScanNoteRange).
struct TrackerBarNotes {
    std::int32_t lowest = 0;
    std::int32_t highest = 0;
};

// What is doubtful about the roll loaded into doc from rollPath (as named), in the order they are
// reported; lookalikes may be null (the folder is listed then). An annotation file with LF line
// ends is said whenever it was read, even when the load failed later; the rest only for a roll
// whose load completed (m_converted: its MIDI file written), as a failed roll is reported by its
// failure: no annotation file, one that cannot be read, a roll file that ends inside a record,
// holes outside trackerBar (when given: the tracker bar of the roll's system), tracks still open
// at the end, positions past the 32-bit time range, texts cut short.
std::vector<RollWarning> RollWarningsOf(const CRollscribeDoc& doc, const std::string& rollPath,
                                        AnnotationLookalikes* lookalikes,
                                        std::optional<TrackerBarNotes> trackerBar = std::nullopt);

}  // namespace rollscribe
