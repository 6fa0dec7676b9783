#include "cli/BatchConverter.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>

#include "cli/JsonRecord.h"
#include "cli/RollOutputs.h"
#include "expression/ExpressionOutput.h"
#include "expression/HookWarning.h"
#include "expression/ProfileReader.h"
#include "expression/ProfileShelf.h"
#include "expression/TrackerBarOfRoll.h"
#include "platform/CFile.h"
#include "roll/AnnotationLookalikes.h"
#include "roll/CRollscribeDoc.h"
#include "roll/FailureDescription.h"
#include "roll/MidiSummary.h"
#include "roll/OutputNames.h"
#include "roll/RollLoader.h"
#include "roll/RollReport.h"
#include "roll/RollWarnings.h"

namespace rollscribe {

namespace {

const char* StatusName(RollStatus status) {
    switch (status) {
        case RollStatus::written:
            return "written";
        case RollStatus::rejected:
            return "rejected";
        case RollStatus::failed:
            break;
    }
    return "failed";
}

// Whether the file at path has a roll's name (bar or web), as loading it derives the name.
bool HasRollName(const std::string& path) {
    CString full = FullPath(CString(path));
    return CRollscribeDoc::IsRollFileName(full.Mid(full.View().rfind('/') + 1));
}

// The expression output of a run's worker: it keeps the emulation's results when a picture is
// to show them.
std::unique_ptr<ExpressionOutput> MakeExpressionOutput(const BatchSettings& settings) {
    if (!settings.expression) return nullptr;
    const bool picture = settings.outputs && settings.outputs->Settings().picture;
    return std::make_unique<ExpressionOutput>(settings.profile, picture, settings.profiles);
}

// Why a roll's expression file was not written, after the roll's name.
std::string ExpressionFailure(const std::exception_ptr& error, const std::string& path) {
    try {
        std::rethrow_exception(error);
    } catch (const ProfileError& e) {
        return "profile " + e.Path() + ": " + e.Reason() + "; no expression file written";
    } catch (...) {
        return DescribeFailure(error, path, "write the expression file").Text() +
               "; no expression file written";
    }
}

}  // namespace

std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

RollResult ConvertRoll(const std::vector<RollInput>& inputs, std::size_t index,
                       const BatchSettings& settings, ExpressionOutput* expression) {
    std::unique_ptr<ExpressionOutput> own;
    if (settings.expression && !expression) {
        own = MakeExpressionOutput(settings);
        expression = own.get();
    }
    const RollInput& input = inputs[index];
    RollResult result;
    if (!input.listingError.empty()) {
        result.isRoll = false;
        result.messages.push_back({input.path, input.listingError});
        return result;
    }

    CRollscribeDoc doc;
    std::optional<std::string> reason;       // why the MIDI file was not written
    std::optional<std::string> stepFailure;  // why a further output was not written
    const bool isRollName = !input.folder && HasRollName(input.path);
    const CString outputFolder = OutputFolderPath(input.outputFolder);
    if (input.sameOutputAs) {
        result.status = RollStatus::rejected;
        reason =
            "writes the same MIDI file as " + inputs[*input.sameOutputAs].path + "; not converted";
    } else {
        try {
            if (isRollName && !outputFolder.IsEmpty()) {
                doc.m_strOutputDirectory = outputFolder;
                doc.m_bCreateOutputDirectory = true;  // made once the roll is read
            }
            if (expression) {
                expression->Reset();
                doc.m_pSideOutput = expression;
            }
            LoadOutcome outcome = LoadRollFile(doc, CString(input.path));
            result.status =
                outcome == LoadOutcome::converted ? RollStatus::written : RollStatus::rejected;
            if (outcome != LoadOutcome::converted)
                reason = "not a roll file: the extension must be bar or web";
        } catch (...) {
            result.status = RollStatus::failed;
            reason = DescribeFailure(std::current_exception(), input.path).Text();
            if (input.folder) *reason += " (use -r to convert the rolls in a folder)";
        }
    }

    const std::optional<TrackerBarNotes> trackerBar =
        doc.m_converted
            ? TrackerBarOfRoll(doc, settings.expression ? settings.profile : std::string(),
                               settings.profiles.get())
            : std::nullopt;
    for (RollWarning& warning :
         RollWarningsOf(doc, input.path, settings.lookalikes.get(), trackerBar))
        result.messages.push_back({std::move(warning.file), std::move(warning.text)});
    // The expression step knows the profile: a hook it can never release is said too.
    if (doc.m_converted && expression && !expression->ProfileName().empty()) {
        std::string hook = UnreleasedHookWarning(doc, expression->Profile());
        if (!hook.empty()) result.messages.push_back({input.path, std::move(hook)});
    }
    const std::size_t warnings = result.messages.size();  // the messages so far are warnings
    MidiSummary summary = settings.json ? SummarizeMidi(doc) : MidiSummary{};
    if (result.status == RollStatus::written) {
        result.midiWritten = true;
        if (expression) {
            if (!expression->ProfileName().empty()) result.profile = expression->ProfileName();
            if (expression->Written()) {
                result.expression = expression->Path().ToStdString();
            } else {
                result.status = RollStatus::failed;
                result.messages.push_back(
                    {input.path,
                     (expression->Error() ? ExpressionFailure(expression->Error(), input.path)
                                          : "no expression file written") +
                         EarlierOutputNote(expression->Path().ToStdString())});
            }
        }
        if (settings.outputs) settings.outputs->Write(doc, input, result, expression);
        if (result.status != RollStatus::written) {
            std::string failures;
            for (std::size_t i = warnings; i < result.messages.size(); ++i)
                failures += (failures.empty() ? "" : "; ") + result.messages[i].text;
            stepFailure = failures;
        }
    }
    if (reason) result.messages.push_back({input.path, *reason});
    result.warnings = warnings;

    if (settings.json) {
        RollRecord record;
        record.input = input.path;
        if (isRollName)
            record.midi =
                OutputPathOfRoll(CString(input.path), kMidiExtension, outputFolder).ToStdString();
        if (settings.outputs) {
            record.pictureAsked = settings.outputs->Settings().picture.has_value();
            record.audioAsked = settings.outputs->Settings().audio;
        }
        record.picture = result.picture;
        record.audio = result.audio;
        record.expressionAsked = settings.expression;
        record.expression = result.expression;
        record.profile = result.profile;
        record.status = StatusName(result.status);
        if (result.status != RollStatus::written) record.reason = reason ? reason : stepFailure;
        for (std::size_t i = 0; i < warnings; ++i)
            record.warnings.push_back(result.messages[i].file + ": " + result.messages[i].text);
        result.report = JsonLineOf(record, doc, summary);
    } else {
        result.report = BuildRollReport(doc).ToStdString();
    }
    return result;
}

void ConvertRolls(const std::vector<RollInput>& inputs, const BatchSettings& settings,
                  const std::function<void(std::size_t, RollResult&)>& onResult,
                  const std::function<void(std::size_t)>& onProgress) {
    if (inputs.empty()) return;
    BatchSettings run = settings;  // with one listing of each folder for the whole run
    if (!run.lookalikes) run.lookalikes = std::make_shared<AnnotationLookalikes>();
    if (!run.profiles) run.profiles = std::make_shared<ProfileShelf>();
    std::vector<std::optional<RollResult>> results(inputs.size());
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};
    std::size_t done = 0;

    // Converts the next entry with a worker's expression output; false when none is left.
    auto convertNext = [&](ExpressionOutput* expression) {
        std::size_t i = next.fetch_add(1);
        if (i >= inputs.size()) return false;
        RollResult result = ConvertRoll(inputs, i, run, expression);
        std::lock_guard<std::mutex> lock(mutex);
        results[i] = std::move(result);
        ++done;
        ready.notify_one();
        return true;
    };
    auto work = [&] {
        std::unique_ptr<ExpressionOutput> expression = MakeExpressionOutput(run);
        while (convertNext(expression.get())) {
        }
    };

    // As many workers as asked for and as the system allows; with none, this thread converts.
    std::size_t wanted = std::clamp<std::size_t>(settings.jobs, 1, inputs.size());
    std::vector<WorkerThread> threads;
    for (std::size_t t = 0; t < wanted; ++t) {
        try {
            threads.push_back(settings.startThread ? settings.startThread(work)
                                                   : WorkerThread(work));
        } catch (const std::system_error&) {
            break;
        }
    }

    std::size_t delivered = 0;
    std::size_t reported = 0;
    std::unique_ptr<ExpressionOutput> ownExpression;  // this thread's, when it converts
    if (threads.empty()) ownExpression = MakeExpressionOutput(run);
    while (delivered < inputs.size()) {
        if (threads.empty()) convertNext(ownExpression.get());
        std::unique_lock<std::mutex> lock(mutex);
        auto arrived = [&] { return done > reported || results[delivered].has_value(); };
        bool tick = false;
        if (settings.progressEvery.count() > 0 && !threads.empty())
            tick = !ready.wait_for(lock, settings.progressEvery, arrived);
        else
            ready.wait(lock, arrived);
        std::size_t progress = done;
        std::vector<std::pair<std::size_t, RollResult>> batch;
        while (delivered < inputs.size() && results[delivered]) {
            batch.emplace_back(delivered, std::move(*results[delivered]));
            results[delivered].reset();
            ++delivered;
        }
        lock.unlock();
        if (progress != reported || tick) {
            reported = progress;
            onProgress(progress);
        }
        for (auto& [index, result] : batch) onResult(index, result);
    }
    for (auto& thread : threads) thread.join();
}

}  // namespace rollscribe
