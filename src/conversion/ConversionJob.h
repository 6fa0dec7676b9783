#pragma once

#include <memory>
#include <optional>
#include <string>

#include "conversion/ConversionOutcome.h"
#include "conversion/ConversionSettings.h"
#include "conversion/ExpressionStep.h"

class CRollscribeDoc;

namespace rollscribe {

class AnnotationLookalikes;
class ExpressionOutput;
class OutputWriters;
class ProfileShelf;

// What a conversion job shares with the other jobs of its program, all optional.
struct ConversionParts {
    // The writers of the picture and the sound file; without them neither is written.
    OutputWriters* writers = nullptr;
    // The run's profiles, each read once; when null, the job keeps its own.
    std::shared_ptr<ProfileShelf> profiles;
    // The folders listed to find a missing annotation file's lookalikes; when null, the roll's
    // folder is listed for each roll.
    std::shared_ptr<AnnotationLookalikes> lookalikes;
    // Keep the expression's results (for what shows the roll) even without a picture.
    bool keepExpressionResult = false;
};

// Converts roll after roll, one at a time, by its program's settings: loads each into a document,
// which writes its MIDI file (and the expression file beside it), then writes the other outputs
// in the order of OutputKind, and says what it came to. The one rule for every output after the
// MIDI file: one that cannot be written fails the roll, with a message why; the MIDI file and the
// other outputs stay written. A roll whose MIDI file cannot be written has no other output.
//
//     ConversionJob job(settings);
//     ConversionOutcome outcome = job.Convert(doc, path);   // doc shows the roll afterwards
class ConversionJob {
  public:
    // settings: the program's, kept by it for the job's life and read for every roll.
    explicit ConversionJob(const ConversionSettings& settings, ConversionParts parts = {});
    ~ConversionJob();
    ConversionJob(const ConversionJob&) = delete;
    ConversionJob& operator=(const ConversionJob&) = delete;

    const ConversionSettings& Settings() const noexcept { return m_settings; }

    // Converts the roll file at rollPath (as named) into doc. Its outputs go to outputFolder when
    // given (a roll found under a named folder goes to the same place below the output folder),
    // else to the settings' folder. What the roll's load and its outputs throw (file errors, a
    // lack of memory) is in the outcome.
    ConversionOutcome Convert(CRollscribeDoc& doc, const std::string& rollPath,
                              const std::optional<std::string>& outputFolder = std::nullopt);

    // The expression output of the last roll converted, when the expression was asked for: its
    // results and profile, for what shows the roll; else null.
    const ExpressionOutput* Expression() const noexcept;

  private:
    // The expression output for the settings now, made anew when they ask for another profile.
    ExpressionOutput* ExpressionFor();
    // The writer of an output after the MIDI file, when the settings ask for it.
    OutputWriter* WriterOf(OutputKind output);

    const ConversionSettings& m_settings;
    ConversionParts m_parts;
    std::unique_ptr<ExpressionOutput> m_expression;
    std::string m_expressionProfile;  // what m_expression was made for
    bool m_expressionKept = false;
    bool m_expressionUsed = false;  // the last roll had the expression
    ExpressionStep m_expressionStep;
};

}  // namespace rollscribe
