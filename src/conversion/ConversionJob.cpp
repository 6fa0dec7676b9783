#include "conversion/ConversionJob.h"

#include <sys/stat.h>

#include "conversion/OutputWriter.h"
#include "expression/ExpressionOutput.h"
#include "expression/HookWarning.h"
#include "expression/TrackerBarOfRoll.h"
#include "roll/CRollscribeDoc.h"
#include "roll/FailureDescription.h"
#include "roll/OutputNames.h"
#include "roll/RollLoader.h"

namespace rollscribe {

namespace {

// The outputs after the MIDI file, in the order they are written.
constexpr OutputKind kLaterOutputs[] = {OutputKind::expression, OutputKind::picture,
                                        OutputKind::sound};

// Said after an output that was not written: the file at its path, if any, is an earlier run's
// and does not go with the new MIDI file. Empty when there is no such file.
std::string EarlierOutputNote(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return "; " + path + " is from an earlier run";
}

std::optional<std::string>& FileOf(ConversionOutcome& outcome, OutputKind output) {
    switch (output) {
        case OutputKind::expression:
            return outcome.expression;
        case OutputKind::picture:
            return outcome.picture;
        case OutputKind::sound:
            return outcome.sound;
        case OutputKind::midi:
            break;
    }
    return outcome.midi;
}

}  // namespace

ConversionJob::ConversionJob(const ConversionSettings& settings, ConversionParts parts)
    : m_settings(settings), m_parts(std::move(parts)) {}

ConversionJob::~ConversionJob() = default;

const ExpressionOutput* ConversionJob::Expression() const noexcept {
    return m_expressionUsed ? m_expression.get() : nullptr;
}

ExpressionOutput* ConversionJob::ExpressionFor() {
    if (!m_settings.expression) return nullptr;
    // A picture shows the expression: its results are kept then.
    const bool keep = m_parts.keepExpressionResult || m_settings.picture.has_value();
    if (!m_expression || m_expressionProfile != m_settings.profile || m_expressionKept != keep) {
        m_expression =
            std::make_unique<ExpressionOutput>(m_settings.profile, keep, m_parts.profiles);
        m_expressionProfile = m_settings.profile;
        m_expressionKept = keep;
    }
    return m_expression.get();
}

OutputWriter* ConversionJob::WriterOf(OutputKind output) {
    switch (output) {
        case OutputKind::expression:
            return m_settings.expression ? &m_expressionStep : nullptr;
        case OutputKind::picture:
            if (!m_settings.picture) return nullptr;
            break;
        case OutputKind::sound:
            if (!m_settings.audio) return nullptr;
            break;
        case OutputKind::midi:
            return nullptr;
    }
    return m_parts.writers ? m_parts.writers->WriterOf(output) : nullptr;
}

ConversionOutcome ConversionJob::Convert(CRollscribeDoc& doc, const std::string& rollPath,
                                         const std::optional<std::string>& outputFolder) {
    ConversionOutcome outcome;
    ExpressionOutput* expression = ExpressionFor();
    m_expressionUsed = expression != nullptr;
    if (expression) expression->Reset();
    doc.m_strOutputDirectory =
        OutputFolderPath(outputFolder ? *outputFolder : m_settings.outputFolder);
    doc.m_bCreateOutputDirectory = m_settings.createOutputFolder;  // made once the roll is read
    doc.m_pSideOutput = expression;
    try {
        if (LoadRollFile(doc, CString(rollPath), &outcome.opened) == LoadOutcome::converted) {
            outcome.midiWritten = true;
            outcome.midi = doc.MidiFilePath().ToStdString();
        } else {
            outcome.status = ConversionStatus::rejected;
            outcome.reason = "not a roll file: the extension must be bar or web";
        }
    } catch (...) {
        outcome.loadError = std::current_exception();
        outcome.reason = DescribeFailure(outcome.loadError, rollPath).Text();
    }
    doc.m_pSideOutput = nullptr;

    // A roll that could not be opened leaves the document as it was: nothing is said of it.
    if (outcome.opened) {
        // Its holes are judged against the tracker bar of the profile the expression is asked
        // with, else of its roll type's.
        const std::optional<TrackerBarNotes> trackerBar =
            doc.m_converted
                ? TrackerBarOfRoll(doc, m_settings.expression ? m_settings.profile : std::string(),
                                   m_parts.profiles.get())
                : std::nullopt;
        outcome.warnings = RollWarningsOf(doc, rollPath, m_parts.lookalikes.get(), trackerBar);
    }
    if (!outcome.midiWritten) return outcome;
    if (expression && !expression->ProfileName().empty()) {
        outcome.profile = expression->ProfileName();
        // The expression knows the profile: a hook it can never release is said too.
        std::string hook = UnreleasedHookWarning(doc, expression->Profile());
        if (!hook.empty()) outcome.warnings.push_back({rollPath, std::move(hook)});
    }

    outcome.status = ConversionStatus::written;
    const ConvertedRoll roll{doc, rollPath, expression};
    for (OutputKind output : kLaterOutputs) {
        OutputWriter* writer = WriterOf(output);
        if (!writer) continue;
        CString path;
        try {
            path = writer->PathFor(roll);
            writer->Write(roll, path);
            FileOf(outcome, output) = path.ToStdString();
        } catch (...) {
            const std::exception_ptr error = std::current_exception();
            outcome.status = ConversionStatus::failed;
            outcome.failures.push_back(
                {output, path.ToStdString(),
                 writer->Failure(error, rollPath) + EarlierOutputNote(path.ToStdString()), error});
        }
    }
    return outcome;
}

}  // namespace rollscribe
