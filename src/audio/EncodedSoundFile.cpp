#include "audio/EncodedSoundFile.h"

#include <sndfile.h>

#include <algorithm>
#include <vector>

#include "audio/SynthSession.h"
#include "platform/CAtomicFile.h"
#include "platform/CException.h"

namespace rollscribe {

namespace {

using Sink = EncodedSoundFile::Sink;

sf_count_t SinkLength(void* user) {
    return static_cast<Sink*>(user)->length;
}

sf_count_t SinkSeek(sf_count_t offset, int whence, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const sf_count_t base = whence == SEEK_CUR   ? sink->position
                            : whence == SEEK_END ? sink->length
                                                 : 0;
    sink->position = std::max<sf_count_t>(0, base + offset);
    return sink->position;
}

sf_count_t SinkRead(void*, sf_count_t, void*) {
    return 0;  // the encoders only write
}

// Appends at the end, or writes over what was written (the headers filled in at the end); a
// position past the end is reached with zero bytes. Exceptions never cross the encoder's C code:
// the first is kept, and the write reports nothing written.
sf_count_t SinkWrite(const void* data, sf_count_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    if (sink->error) return 0;
    try {
        const auto* bytes = static_cast<const unsigned char*>(data);
        if (sink->position > sink->length) {
            const std::vector<unsigned char> zeros(
                static_cast<std::size_t>(sink->position - sink->length));
            sink->file->Write(zeros.data(), zeros.size());
            sink->length = sink->position;
        }
        const sf_count_t over = std::min(count, sink->length - sink->position);
        if (over > 0)
            sink->file->WriteAt(static_cast<std::uint64_t>(sink->position), bytes,
                                static_cast<std::size_t>(over));
        if (count > over) sink->file->Write(bytes + over, static_cast<std::size_t>(count - over));
        sink->position += count;
        sink->length = std::max(sink->length, sink->position);
        return count;
    } catch (...) {
        sink->error = std::current_exception();
        return 0;
    }
}

sf_count_t SinkTell(void* user) {
    return static_cast<Sink*>(user)->position;
}

}  // namespace

EncodedSoundFile::EncodedSoundFile(CAtomicFile& file, SoundFormat format, std::string path)
    : m_path(std::move(path)) {
    m_sink.file = &file;
    SF_INFO info{};
    info.samplerate = kSampleRate;
    info.channels = 2;
    info.format = format == SoundFormat::flac ? SF_FORMAT_FLAC | SF_FORMAT_PCM_16
                                              : SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    static SF_VIRTUAL_IO io{SinkLength, SinkSeek, SinkRead, SinkWrite, SinkTell};
    m_sndfile = sf_open_virtual(&io, SFM_WRITE, &info, &m_sink);
    if (!m_sndfile) Fail("cannot start the encoder");
}

EncodedSoundFile::~EncodedSoundFile() {
    if (m_sndfile) sf_close(m_sndfile);
}

void EncodedSoundFile::Write(const std::int16_t* samples, std::size_t frames) {
    const auto count = static_cast<sf_count_t>(frames);
    if (sf_writef_short(m_sndfile, samples, count) != count) Fail("cannot encode the sound");
}

void EncodedSoundFile::Finish() {
    SNDFILE* sndfile = m_sndfile;
    m_sndfile = nullptr;
    if (sf_close(sndfile) != 0) Fail("cannot encode the sound");
    if (m_sink.error) std::rethrow_exception(m_sink.error);
}

void EncodedSoundFile::Fail(const char* what) {
    if (m_sink.error) std::rethrow_exception(m_sink.error);
    throw CException(m_path, std::string(what) + ": " + sf_strerror(m_sndfile));
}

}  // namespace rollscribe
