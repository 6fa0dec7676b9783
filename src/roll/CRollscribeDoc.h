#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/CArchive.h"
#include "platform/CDocument.h"
#include "platform/CString.h"
#include "roll/AnnotationMap.h"
#include "roll/RollEventArray.h"
#include "roll/SideOutput.h"

// The roll being converted: its texts, tempo and scan figures, the annotation entries, the
// decoded events, the names derived from the opened file and the information text that gathers
// every stage's messages. Loading a roll file runs the whole conversion: reset, read the
// annotation file, parse the roll, write the MIDI file.
class CRollscribeDoc : public CDocument {
  public:
    // The information text after a file with an extension other than bar or web.
    static constexpr const char* kInvalidFileType =
        "*** Invalid File Type *** BAR/WEB files only - ";
    // The information text of an empty document.
    static constexpr const char* kSelectFile = "Select BAR file to convert.";
    // The growth step of the event list.
    static constexpr std::int32_t kEventGrowBy = 16000;

    CRollscribeDoc();
    ~CRollscribeDoc() override;

    bool OnNewDocument() override;
    // Loading: derives the names from the archive's file, rejects other extensions, then runs the
    // stages. Storing writes nothing: the document has no stored form.
    void Serialize(CArchive& ar) override;

    void ResetRollInfo();
    void ReadAnnotationFile();
    void ParseAnnotationLine(CString line, CString key, CString value);
    void ParseBarFile(CArchive& ar);
    // A text up to its closing 0 byte or the end of the file; cut, if given, says which.
    CString ReadBarString(CArchive& ar, bool* cut = nullptr);
    void WriteMidiFile();

    // Whether a file name's extension (its last three characters, case ignored) is bar or web.
    static bool IsRollFileName(const CString& fileName);
    // The companion annotation file and the MIDI file of the opened roll, from its directory and
    // title.
    CString AnnotationFilePath() const;
    CString MidiFilePath() const;

    RollEventArray m_events;
    std::int32_t m_sampleRate = 0;
    std::int32_t m_stepsPerInch = 0;
    CString m_strTempo;
    AnnotationMap m_annotations;
    CString m_strInfo;
    CString m_strDirectory;
    // The folder the outputs are written to, ending in a separator; empty: beside the roll, in
    // m_strDirectory. A setting of the document, kept when a roll is loaded.
    CString m_strOutputDirectory;
    // Whether m_strOutputDirectory (and the folders above it) is made when missing, once the roll
    // has been read and before its outputs are written: a roll that cannot be read leaves no
    // folder behind. A setting, as m_strOutputDirectory.
    bool m_bCreateOutputDirectory = false;
    CString m_strFileTitle;
    CString m_strFilePath;
    CString m_strCopyright;
    CString m_strPerformer;
    CString m_strComposer;
    CString m_strTitle;
    CString m_strManufacturer;
    CString m_strRollNumber;
    std::int32_t m_tempo = 0;
    CString m_strRollType;
    // Whether the annotation file read had line feeds but no CR: its lines end in LF alone, and
    // it was read as one line.
    bool m_annotationLfOnly = false;
    // Whether there is no annotation file by its name (AnnotationFilePath): the roll was
    // converted with the default tempo and no texts.
    bool m_annotationMissing = false;
    // Why the annotation file by its name could not be read when it is there ("Permission
    // denied", "not a regular file"), else empty: converted as without one.
    std::string m_annotationUnreadable;
    // Whether the last load ran to its end: the roll converted and its MIDI file written (false
    // after a file of another type, or a load that failed).
    bool m_converted = false;
    // The roll file's length when it ends inside a record (a distance without its code, a text
    // without its closing 0), else 0.
    std::uint64_t m_rollCutAt = 0;
    // Another file of each roll loaded, written while its MIDI file is written (the expression
    // file), or null. Not the document's: its owner sets it and keeps it alive.
    rollscribe::SideOutput* m_pSideOutput = nullptr;
    // Where the MIDI file's bytes go instead of the MIDI file (for a player that writes nothing),
    // or null. Not the document's, as m_pSideOutput.
    std::vector<std::uint8_t>* m_pMidiBytes = nullptr;
};
