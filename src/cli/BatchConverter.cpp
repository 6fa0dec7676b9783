#include "cli/BatchConverter.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <system_error>

#include "cli/JsonRecord.h"
#include "conversion/ConversionJob.h"
#include "expression/ProfileShelf.h"
#include "platform/CFile.h"
#include "roll/AnnotationLookalikes.h"
#include "roll/CRollscribeDoc.h"
#include "roll/MidiSummary.h"
#include "roll/OutputNames.h"
#include "roll/RollReport.h"
#include "roll/RollWarnings.h"

namespace rollscribe {

namespace {

RollStatus StatusOf(ConversionStatus status) {
    switch (status) {
        case ConversionStatus::written:
            return RollStatus::written;
        case ConversionStatus::rejected:
            return RollStatus::rejected;
        case ConversionStatus::failed:
            break;
    }
    return RollStatus::failed;
}

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

// Makes a worker's conversion job for the run's settings.
std::unique_ptr<ConversionJob> MakeJob(const BatchSettings& settings) {
    ConversionParts parts;
    parts.writers = settings.outputs;
    parts.profiles = settings.profiles;
    parts.lookalikes = settings.lookalikes;
    return std::make_unique<ConversionJob>(settings.conversion, std::move(parts));
}

}  // namespace

std::string Counted(std::size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

RollResult ConvertRoll(const std::vector<RollInput>& inputs, std::size_t index,
                       const BatchSettings& settings, ConversionJob* job) {
    const RollInput& input = inputs[index];
    RollResult result;
    if (!input.listingError.empty()) {
        result.isRoll = false;
        result.messages.push_back({input.path, input.listingError});
        return result;
    }
    std::unique_ptr<ConversionJob> own;
    if (!job) {
        own = MakeJob(settings);
        job = own.get();
    }

    CRollscribeDoc doc;
    ConversionOutcome outcome;
    const bool isRollName = !input.folder && HasRollName(input.path);
    if (input.sameOutputAs) {
        outcome.status = ConversionStatus::rejected;
        outcome.reason =
            "writes the same MIDI file as " + inputs[*input.sameOutputAs].path + "; not converted";
    } else {
        outcome = job->Convert(doc, input.path, input.outputFolder);
        if (input.folder && outcome.loadError)
            outcome.reason += " (use -r to convert the rolls in a folder)";
    }
    result.status = StatusOf(outcome.status);
    result.midiWritten = outcome.midiWritten;
    result.expression = outcome.expression;
    result.profile = outcome.profile;
    result.picture = outcome.picture;
    result.audio = outcome.sound;
    // Warnings first, then why an output or the roll was not written.
    for (RollWarning& warning : outcome.warnings)
        result.messages.push_back({std::move(warning.file), std::move(warning.text)});
    result.warnings = result.messages.size();
    std::string failures;
    for (const OutputFailure& failure : outcome.failures) {
        result.messages.push_back({input.path, failure.text});
        failures += (failures.empty() ? "" : "; ") + failure.text;
    }
    if (!outcome.reason.empty()) result.messages.push_back({input.path, outcome.reason});

    if (settings.json) {
        RollRecord record;
        record.input = input.path;
        if (isRollName)
            record.midi = OutputPathOfRoll(CString(input.path), kMidiExtension,
                                           OutputFolderPath(input.outputFolder))
                              .ToStdString();
        record.pictureAsked = settings.conversion.picture.has_value();
        record.audioAsked = settings.conversion.audio;
        record.picture = result.picture;
        record.audio = result.audio;
        record.expressionAsked = settings.conversion.expression;
        record.expression = result.expression;
        record.profile = result.profile;
        record.status = StatusName(result.status);
        if (result.status != RollStatus::written)
            record.reason = outcome.reason.empty() ? failures : outcome.reason;
        for (std::size_t i = 0; i < result.warnings; ++i)
            record.warnings.push_back(result.messages[i].file + ": " + result.messages[i].text);
        result.report = JsonLineOf(record, doc, SummarizeMidi(doc));
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

    // Converts the next entry with a worker's job; false when none is left.
    auto convertNext = [&](ConversionJob* job) {
        std::size_t i = next.fetch_add(1);
        if (i >= inputs.size()) return false;
        RollResult result = ConvertRoll(inputs, i, run, job);
        std::lock_guard<std::mutex> lock(mutex);
        results[i] = std::move(result);
        ++done;
        ready.notify_one();
        return true;
    };
    auto work = [&] {
        std::unique_ptr<ConversionJob> job = MakeJob(run);
        while (convertNext(job.get())) {
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
    std::unique_ptr<ConversionJob> ownJob;  // this thread's, when it converts
    if (threads.empty()) ownJob = MakeJob(run);
    while (delivered < inputs.size()) {
        if (threads.empty()) convertNext(ownJob.get());
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
