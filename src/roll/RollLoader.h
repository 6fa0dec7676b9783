#pragma once

#include "platform/CString.h"

class CRollscribeDoc;

namespace rollscribe {

enum class LoadOutcome {
    converted,  // the roll was converted and its MIDI file written
    rejected,   // the file's extension is not bar or web: nothing was converted
};

// Opens a roll file for reading and loads it into the document, as opening a file does:
// derive the names, then reset, read the annotation file, parse the roll and write the MIDI file.
// Errors from file work (the roll cannot be opened or read, it is shorter than its header, the
// MIDI file cannot be written) are thrown as CException naming the file and the reason; the
// MIDI file's earlier contents then stay as they were. opened, when given, is set once the roll
// file is open: the document then holds what was read of it, also after an error.
LoadOutcome LoadRollFile(CRollscribeDoc& doc, const CString& path, bool* opened = nullptr);

}  // namespace rollscribe
