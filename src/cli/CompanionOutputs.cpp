#include "cli/CompanionOutputs.h"

#include <exception>

#include "audio/AudioError.h"
#include "audio/SynthSession.h"
#include "cli/RendererPool.h"
#include "picture/RollScene.h"
#include "platform/CException.h"
#include "roll/CRollscribeDoc.h"
#include "roll/LoadFailure.h"

namespace rollscribe {

namespace {

// Marks the roll failed, with a message about an output that was not written.
void Fail(const RollInput& input, RollResult& result, std::string text) {
    result.status = RollStatus::failed;
    result.messages.push_back({input.path, std::move(text)});
}

}  // namespace

CompanionOutputs::CompanionOutputs(const CompanionSettings& settings) : m_settings(settings) {
    if (m_settings.audio)
        m_renderers = std::make_unique<RendererPool>(
            m_settings.soundFont.empty() ? std::string(kDefaultSoundFont) : m_settings.soundFont);
}

CompanionOutputs::~CompanionOutputs() = default;

std::string CompanionOutputs::CheckSoundFont() {
    if (!m_renderers) return {};
    try {
        m_renderers->LoadFirst();
    } catch (const CException& e) {
        return "sound font " + e.Path() + ": " + e.Reason();
    }
    return {};
}

void CompanionOutputs::AddTo(BatchSettings& batch) {
    if (!m_settings.picture && !m_settings.audio) return;
    if (m_settings.picture) batch.extraOutputKeys.push_back("picture");
    if (m_settings.audio) batch.extraOutputKeys.push_back("audio");
    batch.afterConversion.push_back([this](const CRollscribeDoc& doc, const RollInput& input,
                                           RollResult& result) { Write(doc, input, result); });
}

void CompanionOutputs::Write(const CRollscribeDoc& doc, const RollInput& input,
                             RollResult& result) {
    if (m_settings.picture) {
        const CString path = PicturePathFor(doc, *m_settings.picture);
        try {
            WritePicture(RollScene(doc), *m_settings.picture, path, m_settings.pictureOptions);
            result.extraOutputs["picture"] = path.ToStdString();
        } catch (...) {
            Fail(input, result,
                 DescribeLoadFailure(std::current_exception(), input.path, "draw the picture")
                     .Text());
        }
    }
    if (m_renderers) {
        std::optional<RendererPool::Lease> renderer;
        try {
            renderer.emplace(m_renderers->Take());
        } catch (const CException& e) {
            // The sound font was checked before the run, but has gone or changed since: said
            // about every roll, as each lacks its WAV file.
            Fail(input, result, "sound font " + e.Path() + ": " + e.Reason());
        } catch (const AudioError& e) {
            Fail(input, result, std::string("cannot render the WAV file: ") + e.what());
        } catch (...) {
            Fail(input, result,
                 DescribeLoadFailure(std::current_exception(), input.path, "render the WAV file")
                     .Text());
        }
        if (renderer) {
            const CString path = WavPathFor(doc);
            try {
                renderer->Render(doc.MidiFilePath(), path);
                result.extraOutputs["audio"] = path.ToStdString();
            } catch (const AudioError& e) {
                Fail(input, result, std::string("cannot render the WAV file: ") + e.what());
            } catch (...) {
                Fail(
                    input, result,
                    DescribeLoadFailure(std::current_exception(), input.path, "render the WAV file")
                        .Text());
            }
        }
    }
}

double CompanionOutputs::PartInProgress() const {
    return m_renderers ? m_renderers->PartInProgress() : 0.0;
}

}  // namespace rollscribe
