#include "cli/PictureAndSoundOutputs.h"

#include <exception>
#include <new>
#include <optional>

#include "audio/AudioError.h"
#include "audio/SynthSession.h"
#include "cli/BatchConverter.h"
#include "cli/RendererPool.h"
#include "expression/ExpressionOutput.h"
#include "expression/ProfileLocator.h"
#include "expression/ProfileShelf.h"
#include "picture/FontCaches.h"
#include "picture/PictureFiles.h"
#include "picture/RollScene.h"
#include "platform/CException.h"
#include "roll/CRollscribeDoc.h"
#include "roll/FailureDescription.h"
#include "roll/OutputNames.h"

namespace rollscribe {

namespace {

// Marks the roll failed, with a message about an output that was not written.
void Fail(const RollInput& input, RollResult& result, std::string text) {
    result.status = RollStatus::failed;
    result.messages.push_back({input.path, std::move(text)});
}

}  // namespace

PictureAndSoundOutputs::PictureAndSoundOutputs(const RollOutputSettings& settings)
    : RollOutputs(settings), m_profiles(std::make_unique<ProfileShelf>()) {
    if (settings.audio)
        m_renderers = std::make_unique<RendererPool>(
            settings.soundFont.empty() ? std::string(kDefaultSoundFont) : settings.soundFont);
}

PictureAndSoundOutputs::~PictureAndSoundOutputs() {
    if (Settings().picture) ReleaseFontCaches();
}

std::string PictureAndSoundOutputs::CheckSoundFont() {
    if (!m_renderers) return {};
    try {
        m_renderers->LoadFirst();
    } catch (const CException& e) {
        return "sound font " + e.Path() + ": " + e.Reason();
    }
    return {};
}

void PictureAndSoundOutputs::Write(const CRollscribeDoc& doc, const RollInput& input,
                                   RollResult& result, const ExpressionOutput* expression) {
    const bool expressionWritten = expression && expression->Written();
    if (Settings().picture) {
        const CString path = OutputPathOf(doc, PictureOutputExtension(*Settings().picture));
        try {
            PictureOptions options;
            options.pixelsPerInch = Settings().pixelsPerInch;
            RollScene scene(doc);
            // Without its expression file (a wrong profile) the roll is drawn as it is, its lanes
            // as its roll type's tracker bar has them (as the roll uses them when that profile
            // cannot be read).
            if (expressionWritten) {
                scene.SetTrackerBar(expression->Profile());
                scene.SetExpression(expression->Result(), expression->Profile());
            } else {
                try {
                    scene.SetTrackerBar(*m_profiles->Get(ChooseProfileName(doc.m_strRollType)));
                } catch (const std::bad_alloc&) {
                    throw;
                } catch (...) {
                }
            }
            WritePicture(scene, *Settings().picture, path, options);
            result.picture = path.ToStdString();
        } catch (...) {
            Fail(input, result,
                 DescribeFailure(std::current_exception(), input.path, "draw the picture").Text() +
                     EarlierOutputNote(path.ToStdString()));
        }
    }
    const std::string soundPath =
        m_renderers ? OutputPathOf(doc, SoundOutputExtension(Settings().audioFormat)).ToStdString()
                    : std::string();
    if (m_renderers && expression && !expressionWritten) {
        // The sound asked for is the expression file's: the plain MIDI file would sound else.
        Fail(input, result,
             std::string("no ") + SoundFileWord(Settings().audioFormat) +
                 ": its expression file was not written" + EarlierOutputNote(soundPath));
    } else if (m_renderers) {
        const SoundFormat format = Settings().audioFormat;
        const std::string word = SoundFileWord(format);
        const std::string render = "render the " + word;
        std::optional<RendererPool::Lease> renderer;
        try {
            renderer.emplace(m_renderers->Take());
        } catch (const CException& e) {
            // The sound font was checked before the run, but has gone or changed since: said
            // about every roll, as each lacks its WAV file.
            Fail(input, result,
                 "sound font " + e.Path() + ": " + e.Reason() + EarlierOutputNote(soundPath));
        } catch (const AudioError& e) {
            Fail(input, result,
                 std::string("cannot render the ") + word + ": " + e.what() +
                     EarlierOutputNote(soundPath));
        } catch (...) {
            Fail(input, result,
                 DescribeFailure(std::current_exception(), input.path, render).Text() +
                     EarlierOutputNote(soundPath));
        }
        if (renderer) {
            const CString path = OutputPathOf(doc, SoundOutputExtension(format));
            try {
                renderer->Render(expression ? expression->Path() : doc.MidiFilePath(), path,
                                 format);
                result.audio = path.ToStdString();
            } catch (const AudioError& e) {
                Fail(input, result,
                     std::string("cannot render the ") + word + ": " + e.what() +
                         EarlierOutputNote(soundPath));
            } catch (...) {
                Fail(input, result,
                     DescribeFailure(std::current_exception(), input.path, render).Text() +
                         EarlierOutputNote(soundPath));
            }
        }
    }
}

double PictureAndSoundOutputs::PartInProgress() const {
    return m_renderers ? m_renderers->PartInProgress() : 0.0;
}

}  // namespace rollscribe

// The module's entry point (RollOutputs.h).
extern "C" rollscribe::RollOutputs* rollscribe_make_roll_outputs(
    const rollscribe::RollOutputSettings& settings, int revision) {
    if (revision != rollscribe::kRollOutputsRevision) return nullptr;
    return new rollscribe::PictureAndSoundOutputs(settings);
}
