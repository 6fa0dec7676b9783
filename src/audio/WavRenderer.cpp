#include "audio/WavRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "audio/EncodedSoundFile.h"
#include "platform/CAtomicFile.h"
#include "platform/CException.h"

namespace rollscribe {

namespace {

constexpr int kChannels = 2;
constexpr int kBytesPerSample = 2;
constexpr int kBlockFrames = 4096;
constexpr std::uint64_t kHeaderBytes = 44;
// The data chunk's size is a 32-bit count, and the RIFF size counts 36 bytes more.
constexpr std::uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;
constexpr std::uint64_t kBytesPerFrame = kChannels * kBytesPerSample;

void PutU16(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
void PutU32(unsigned char* p, std::uint32_t v) {
    PutU16(p, v & 0xFFFF);
    PutU16(p + 2, v >> 16);
}

// The canonical 44-byte header of a PCM WAV file with dataBytes of samples.
void WavHeader(unsigned char* h, std::uint32_t dataBytes) {
    std::memcpy(h, "RIFF", 4);
    PutU32(h + 4, 36 + dataBytes);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    PutU32(h + 16, 16);  // the format chunk's size
    PutU16(h + 20, 1);   // PCM
    PutU16(h + 22, kChannels);
    PutU32(h + 24, kSampleRate);
    PutU32(h + 28, kSampleRate * kBytesPerFrame);
    PutU16(h + 32, kBytesPerFrame);
    PutU16(h + 34, 8 * kBytesPerSample);
    std::memcpy(h + 36, "data", 4);
    PutU32(h + 40, dataBytes);
}

// Samples are written little-endian, whatever the machine's order.
void AppendLittleEndian(std::vector<unsigned char>& out, const std::int16_t* samples,
                        std::size_t count) {
    const std::size_t at = out.size();
    out.resize(at + 2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto v = static_cast<std::uint16_t>(samples[i]);
        out[at + 2 * i] = static_cast<unsigned char>(v);
        out[at + 2 * i + 1] = static_cast<unsigned char>(v >> 8);
    }
}

std::string TooLong(double seconds) {
    const auto minutes = static_cast<long long>(seconds / 60);
    return "the sound would last " + std::to_string(minutes / 60) + " h " +
           std::to_string(minutes % 60) + " min, longer than a WAV file can hold (6 h 45 min)";
}

}  // namespace

WavRenderer::WavRenderer(RenderOptions options)
    : m_options(std::move(options)), m_session(m_options) {}

RenderResult WavRenderer::Render(const CString& midiPath, const CString& soundPath,
                                 SoundFormat format) {
    const RenderOptions& options = m_options;
    SynthSession& session = m_session;
    session.StartPlayer(midiPath);

    CAtomicFile file;
    file.Create(soundPath);
    const bool wav = format == SoundFormat::wav;
    std::optional<EncodedSoundFile> encoded;
    unsigned char header[kHeaderBytes] = {};
    if (wav)
        file.Write(header, sizeof header);  // written again with the sizes at the end
    else
        encoded.emplace(file, format, soundPath.ToStdString());

    std::vector<std::int16_t> block(static_cast<std::size_t>(kBlockFrames) * kChannels);
    std::vector<unsigned char> bytes;
    bytes.reserve(block.size() * kBytesPerSample);
    RenderResult result;
    bool sounded = false;
    bool checkedLength = false;
    auto renderBlock = [&](int frames) {
        session.Render(block.data(), frames);
        const std::size_t samples = static_cast<std::size_t>(frames) * kChannels;
        if (!sounded) {
            for (std::size_t i = 0; i < samples; ++i) {
                if (block[i] != 0) {
                    sounded = true;
                    result.firstSoundFrame = result.frames + i / kChannels;
                    break;
                }
            }
        }
        if (encoded) {
            encoded->Write(block.data(), static_cast<std::size_t>(frames));
        } else {
            if ((result.frames + static_cast<std::uint64_t>(frames)) * kBytesPerFrame >
                kMaxDataBytes)
                throw CException(soundPath.ToStdString(),
                                 TooLong(static_cast<double>(result.frames) / kSampleRate));
            bytes.clear();
            AppendLittleEndian(bytes, block.data(), samples);
            file.Write(bytes.data(), bytes.size());
        }
        result.frames += static_cast<std::uint64_t>(frames);
    };

    // Until the player reaches the MIDI file's last tick; the release is added below.
    std::uint64_t blocks = 0;
    while (session.PlayerPlaying()) {
        renderBlock(kBlockFrames);
        const std::int64_t total = session.TotalTicks();
        // Once the file is loaded its length is known: a sound too long for a WAV file is
        // refused now rather than after hours of rendering. The roll's MIDI files keep one
        // tempo, so ticks give the length.
        if (wav && !checkedLength && total > 0 && session.Division() > 0) {
            checkedLength = true;
            const double seconds = static_cast<double>(total) / session.Division() *
                                   fluid_player_get_midi_tempo(session.Player()) / 1e6;
            if (seconds * kSampleRate * kBytesPerFrame > static_cast<double>(kMaxDataBytes))
                throw CException(soundPath.ToStdString(), TooLong(seconds));
        }
        if (options.progress && total > 0 && ++blocks % 64 == 0)
            options.progress(std::min(1.0, static_cast<double>(session.CurrentTick()) / total));
    }
    const std::string errors = TakeFluidSynthErrors();
    if (session.TotalTicks() == 0 && !errors.empty())
        throw CException(midiPath.ToStdString(), "cannot be played (" + errors + ")");
    result.midiFrames = result.frames;

    auto release = static_cast<std::uint64_t>(std::max(0.0, options.releaseSeconds) * kSampleRate);
    while (release > 0) {
        const int frames = static_cast<int>(std::min<std::uint64_t>(release, kBlockFrames));
        renderBlock(frames);
        release -= static_cast<std::uint64_t>(frames);
    }
    if (!sounded) result.firstSoundFrame = result.frames;
    if (options.progress) options.progress(1.0);

    session.StopPlayer();

    if (encoded) {
        encoded->Finish();
    } else {
        WavHeader(header, static_cast<std::uint32_t>(result.frames * kBytesPerFrame));
        file.WriteAt(0, header, sizeof header);
    }
    file.Commit();
    return result;
}

}  // namespace rollscribe
