#pragma once

#include <cstdint>
#include <exception>
#include <string>

#include "audio/SoundFormat.h"

struct sf_private_tag;

namespace rollscribe {

class CAtomicFile;

// A compressed sound file (FLAC or Ogg Vorbis, 44.1 kHz stereo) encoded by libsndfile into an
// atomic file being written, so that it is replaced only when complete like every output.
class EncodedSoundFile {
  public:
    // Starts the encoding into file, created for the target path. Throws CException naming path
    // when the encoder cannot start.
    EncodedSoundFile(CAtomicFile& file, SoundFormat format, std::string path);
    ~EncodedSoundFile();
    EncodedSoundFile(const EncodedSoundFile&) = delete;
    EncodedSoundFile& operator=(const EncodedSoundFile&) = delete;

    // Encodes frames of interleaved 16-bit stereo samples. Throws CFileException from the file
    // or CException naming the path.
    void Write(const std::int16_t* samples, std::size_t frames);
    // Ends the encoding (the last blocks and headers are written); the caller then commits.
    void Finish();

    // The file's bytes go through these, called by the encoder (public for its C callbacks).
    struct Sink {
        CAtomicFile* file = nullptr;
        std::int64_t position = 0;
        std::int64_t length = 0;
        std::exception_ptr error;  // the first failure of the file, thrown after the encoder's call
    };

  private:
    [[noreturn]] void Fail(const char* what);

    Sink m_sink;
    std::string m_path;
    sf_private_tag* m_sndfile = nullptr;
};

}  // namespace rollscribe
