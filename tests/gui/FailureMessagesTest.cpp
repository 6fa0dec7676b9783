#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <stdexcept>
#include <string>

#include "audio/AudioError.h"
#include "platform/CException.h"
#include "ui/FailureMessages.h"

using namespace rollscribe;

namespace {

struct MessageCase {
    const char* name;
    FileTask task;
    std::string file;
    std::exception_ptr error;
    std::string message;  // UTF-8

    friend void PrintTo(const MessageCase& c, std::ostream* os) { *os << c.name; }
};

std::string Cwd() {
    char buffer[4096];
    return ::getcwd(buffer, sizeof buffer) ? buffer : "";
}

class FailureMessages : public ::testing::TestWithParam<MessageCase> {};

TEST_P(FailureMessages, NameTheFileTheFileConcernedAndTheReason) {
    const MessageCase& c = GetParam();
    EXPECT_EQ(FailureMessage(c.task, c.file, c.error).utf8_string(), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailureMessages,
    ::testing::Values(
        MessageCase{
            "roll_that_cannot_be_read", FileTask::openRoll, "/rolls/x.bar",
            std::make_exception_ptr(CFileException("/rolls/x.bar", "cannot open the file", ENOENT)),
            "Rollscribe could not open this roll file:\n/rolls/x.bar\n\n"
            "Cannot open the file: No such file or directory."},
        MessageCase{"output_that_cannot_be_written", FileTask::openRoll, "/rolls/x.bar",
                    std::make_exception_ptr(CFileException("/rolls/x_BAR_e.mid",
                                                           "cannot create the file", EACCES)),
                    "Rollscribe could not convert this roll file:\n/rolls/x.bar\n\n"
                    "/rolls/x_BAR_e.mid\nCannot create the file: Permission denied."},
        MessageCase{"reason_ending_in_a_full_stop", FileTask::openRoll, "/rolls/x.bar",
                    std::make_exception_ptr(CException("/rolls/x.bar", "it ends too soon.")),
                    "Rollscribe could not open this roll file:\n/rolls/x.bar\n\nIt ends too soon."},
        MessageCase{"empty_reason", FileTask::openRoll, "/rolls/x.bar",
                    std::make_exception_ptr(CException("/rolls/x.bar", "")),
                    "Rollscribe could not open this roll file:\n/rolls/x.bar\n\n"},
        MessageCase{"memory_exhausted", FileTask::openRoll, "/rolls/x.bar",
                    std::make_exception_ptr(std::bad_alloc()),
                    "Rollscribe could not open this roll file:\n/rolls/x.bar\n\n"
                    "Not enough memory to convert the roll."},
        MessageCase{"other_error", FileTask::openRoll, "/rolls/x.bar",
                    std::make_exception_ptr(std::runtime_error("something broke")),
                    "Rollscribe could not open this roll file:\n/rolls/x.bar\n\nSomething broke."},
        MessageCase{"bytes_of_other_code_pages", FileTask::openRoll, "/rolls/caf\xE9.bar",
                    std::make_exception_ptr(CException("/rolls/caf\xE9.bar", "caf\xE9 \xC3\xA9")),
                    "Rollscribe could not open this roll file:\n/rolls/caf\xC3\xA9.bar\n\n"
                    "Caf\xC3\xA9 \xC3\xA9."},
        MessageCase{"copy_that_cannot_be_written", FileTask::saveMidi, "/out/copy.mid",
                    std::make_exception_ptr(CFileException("/out/copy.mid",
                                                           "cannot create the file", ENOSPC)),
                    "Rollscribe could not save the MIDI file:\n/out/copy.mid\n\n"
                    "Cannot create the file: No space left on device."},
        MessageCase{"copy_named_relative", FileTask::saveMidi, "copy.mid",
                    std::make_exception_ptr(CFileException(Cwd() + "/copy.mid",
                                                           "cannot create the file", EROFS)),
                    "Rollscribe could not save the MIDI file:\ncopy.mid\n\n"
                    "Cannot create the file: Read-only file system."},
        MessageCase{"converted_file_gone", FileTask::saveMidi, "/out/copy.mid",
                    std::make_exception_ptr(CFileException("/rolls/x_BAR_e.mid",
                                                           "cannot open the file", ENOENT)),
                    "Rollscribe could not save the MIDI file:\n/out/copy.mid\n\n"
                    "/rolls/x_BAR_e.mid\nCannot open the file: No such file or directory."},
        MessageCase{"memory_exhausted_while_copying", FileTask::saveMidi, "/out/copy.mid",
                    std::make_exception_ptr(std::bad_alloc()),
                    "Rollscribe could not save the MIDI file:\n/out/copy.mid\n\n"
                    "Not enough memory to copy the MIDI file."},
        MessageCase{
            "no_audio_output", FileTask::playMidi, "/rolls/x_BAR_e.mid",
            std::make_exception_ptr(AudioError("no audio output could be opened: no device")),
            "Rollscribe could not play the MIDI file:\n/rolls/x_BAR_e.mid\n\n"
            "No audio output could be opened: no device."},
        MessageCase{"sound_font_missing", FileTask::playMidi, "/rolls/x_BAR_e.mid",
                    std::make_exception_ptr(CFileException("/fonts/gm.sf2", "cannot open the file",
                                                           ENOENT)),
                    "Rollscribe could not play the MIDI file:\n/rolls/x_BAR_e.mid\n\n"
                    "/fonts/gm.sf2\nCannot open the file: No such file or directory."},
        MessageCase{"memory_exhausted_while_playing", FileTask::playMidi, "/rolls/x_BAR_e.mid",
                    std::make_exception_ptr(std::bad_alloc()),
                    "Rollscribe could not play the MIDI file:\n/rolls/x_BAR_e.mid\n\n"
                    "Not enough memory to play the MIDI file."},
        MessageCase{"picture_over_the_roll", FileTask::exportPicture, "/rolls/x.bar",
                    std::make_exception_ptr(CFileException(
                        "/rolls/x.bar", "this is a file of the opened roll; choose another name",
                        CFileException::accessDenied)),
                    "Rollscribe could not export the roll picture:\n/rolls/x.bar\n\n"
                    "This is a file of the opened roll; choose another name."},
        MessageCase{"memory_exhausted_while_drawing", FileTask::exportPicture, "/out/x.png",
                    std::make_exception_ptr(std::bad_alloc()),
                    "Rollscribe could not export the roll picture:\n/out/x.png\n\n"
                    "Not enough memory to draw the roll picture."}),
    [](const ::testing::TestParamInfo<MessageCase>& info) { return std::string(info.param.name); });

}  // namespace
