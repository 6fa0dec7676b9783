#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Makes roll files of a given size that look like real scans of 88-note rolls: a melody (often
// doubled an octave below) over an oom-pah accompaniment, every hole opening and closing a few
// scan steps off the beat as a scanner sees it, some expression holes (a few of them on tracks
// whose notes lie above the MIDI range), and a few text records (copyright, title, lyrics,
// expression codes). The same shape always gives the same bytes, on any machine.
namespace rollgen {

// A small, fast random source whose sequence depends on nothing but its seed.
class Random {
  public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next() noexcept;
    // A number from 0 to n - 1 (n > 0).
    std::uint32_t Below(std::uint32_t n) noexcept;
    // True with the chance percent / 100.
    bool Chance(std::uint32_t percent) noexcept { return Below(100) < percent; }

  private:
    std::uint64_t m_state;
};

struct RollShape {
    std::uint64_t seed = 1;
    // The roll file's size in bytes: records are added while they fit, so the file ends on a
    // record boundary at most a record's length short of it.
    std::size_t size = 1 << 20;
    // The scan's figures, written into the annotation file.
    std::int32_t sampleRate = 300;
    std::int32_t tempo = 80;
};

struct GeneratedRoll {
    std::vector<std::uint8_t> bar;  // the roll file
    std::string ann;                // its annotation file, lines ending in CR LF
    std::size_t events = 0;         // records, so events that the converter decodes
    std::size_t droppedEvents = 0;  // of which on tracks above the MIDI note range
    std::size_t textRecords = 0;    // of which records with a text (codes 240 to 244)
};

// A roll of shape.size bytes (and its annotation file of about ten lines).
GeneratedRoll GenerateRoll(const RollShape& shape);

// An annotation file of at least minBytes: the usual keys for shape, then as many further
// "/key: value" lines, every key distinct, as it takes.
std::string GenerateAnnotations(const RollShape& shape, std::size_t minBytes);

// The shape of roll number index of a batch made from seed: a real archive's mix of
// scan resolutions, tempos and lengths (about 10 KB to 64 KB).
RollShape BatchRollShape(std::uint64_t seed, std::size_t index);

}  // namespace rollgen
