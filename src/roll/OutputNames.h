#pragma once

#include <string>
#include <string_view>

#include "platform/CString.h"

class CRollscribeDoc;

namespace rollscribe {

// Every output of a roll lies beside it, or in the output folder asked for, and is named
// TITLE_BAR_e followed by the output's extension, TITLE being the roll's file name up to its
// first dot: the MIDI file TITLE_BAR_e.mid, the sound files TITLE_BAR_e.wav, .flac and .ogg,
// the pictures TITLE_BAR_e.png, .svg and .pdf, the expression file TITLE_BAR_e_expression.mid.
// Every output's name is made here, so that a roll's outputs always go together.
inline constexpr std::string_view kMidiExtension = ".mid";
inline constexpr std::string_view kWavExtension = ".wav";
inline constexpr std::string_view kFlacExtension = ".flac";
inline constexpr std::string_view kOggExtension = ".ogg";
inline constexpr std::string_view kPngExtension = ".png";
inline constexpr std::string_view kSvgExtension = ".svg";
inline constexpr std::string_view kPdfExtension = ".pdf";
// The expression file, TITLE_BAR_e_expression.mid: the roll as its piano plays it.
inline constexpr std::string_view kExpressionExtension = "_expression.mid";

// A roll's title: its file name up to, not including, the first dot; the whole name without one.
CString RollTitleOf(const CString& fileName);

// The output's file name for a roll's title and an extension such as ".mid".
CString OutputFileName(const CString& title, std::string_view extension);

// The output's path from the roll's folder (with its trailing separator) and title.
CString OutputPath(const CString& directory, const CString& title, std::string_view extension);

// The output's path for a roll named by path, from its full path as loading it derives them:
// beside it, or in outputFolder (ending in a separator) when one is given.
CString OutputPathOfRoll(const CString& rollPath, std::string_view extension,
                         const CString& outputFolder = CString());

// An output folder as a document holds it (m_strOutputDirectory): its full path with a trailing
// separator; empty (beside the roll) for an empty folder.
CString OutputFolderPath(const std::string& folder);

// The output's path for the roll a document has loaded: in its output folder when it has one.
CString OutputPathOf(const CRollscribeDoc& doc, std::string_view extension);

}  // namespace rollscribe
