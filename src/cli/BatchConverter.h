#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/RollInputs.h"
#include "conversion/ConversionSettings.h"
#include "platform/WorkerThread.h"

namespace rollscribe {

class AnnotationLookalikes;
class ConversionJob;
class OutputWriters;
class ProfileShelf;

enum class RollStatus {
    written,   // the MIDI file was written
    rejected,  // not converted: no roll file, or its MIDI file is written by an earlier roll
    failed,    // the conversion failed
};

// A line for standard error: the file it is about (as named) and what is said about it.
struct RollMessage {
    std::string file;
    std::string text;
};

// What converting one entry of the run came to.
struct RollResult {
    RollStatus status = RollStatus::failed;
    bool isRoll = true;  // false for a folder that could not be read: no report, no JSON line
    // Whether the roll's MIDI file was written: also when a further output then failed.
    bool midiWritten = false;
    std::string report;  // the report, or with --json the JSON line (no final line break)
    std::vector<RollMessage> messages;  // warnings first, then why it was not written
    std::size_t warnings = 0;           // how many of the messages are warnings
    // The picture and the sound file written after the MIDI file, when they were.
    std::optional<std::string> picture;
    std::optional<std::string> audio;
    // With --expression: the expression file written, and the name of the profile used.
    std::optional<std::string> expression;
    std::optional<std::string> profile;
};

struct BatchSettings {
    unsigned jobs = 1;  // conversions at a time
    bool json = false;  // reports as JSON lines
    // How each roll is converted: the outputs besides its MIDI file (the expression file, the
    // picture, the sound file), each failing the roll when it cannot be written. Each roll's
    // outputs go to its input's folder (RollInput::outputFolder), not conversion.outputFolder,
    // made once the roll is read when it is missing.
    ConversionSettings conversion = [] {
        ConversionSettings made;
        made.createOutputFolder = true;
        return made;
    }();
    // Writes the picture and the sound asked for, on the worker threads; neither is written when
    // null. Must outlive the batch.
    OutputWriters* outputs = nullptr;
    // The run's profiles, each read once for all its workers; when null, ConvertRolls makes one
    // for its run, and ConvertRoll reads the profile for its roll.
    std::shared_ptr<ProfileShelf> profiles;
    // When not zero, onProgress is also called this often while conversions go on, with the
    // same count, so that progress that the caller follows itself can be shown.
    std::chrono::milliseconds progressEvery{0};
    // Starts a worker thread; throws std::system_error when the system refuses one. Empty: a
    // WorkerThread. (Tests refuse threads through it.)
    std::function<WorkerThread(std::function<void()>)> startThread;
    // Keeps the folders listed to find a missing annotation file's lookalikes for the run; when
    // null, ConvertRolls makes one for its run, and ConvertRoll lists the folder each time.
    std::shared_ptr<AnnotationLookalikes> lookalikes;
};

// Converts entry index of inputs in a fresh document with job (a worker's, serving roll after
// roll, made for settings.conversion; when null, one for this roll), and reports.
RollResult ConvertRoll(const std::vector<RollInput>& inputs, std::size_t index,
                       const BatchSettings& settings, ConversionJob* job = nullptr);

// Converts every entry with up to settings.jobs at a time. onResult is called on the calling
// thread for every entry in order, as soon as it and all before it are done; onProgress after
// each with the number done so far (and every settings.progressEvery). When fewer worker threads
// can be started than asked for, the conversion goes on with those there are, or on the calling
// thread alone.
void ConvertRolls(const std::vector<RollInput>& inputs, const BatchSettings& settings,
                  const std::function<void(std::size_t, RollResult&)>& onResult,
                  const std::function<void(std::size_t)>& onProgress);

// "1 roll", "2 rolls": a count and the word that goes with it.
std::string Counted(std::size_t count, const char* one, const char* many);

}  // namespace rollscribe
