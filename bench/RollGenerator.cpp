#include "RollGenerator.h"

#include <cmath>
#include <queue>

namespace rollgen {

std::uint64_t Random::Next() noexcept {
    // splitmix64: a fixed sequence for a seed, spread over all 64 bits.
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint32_t Random::Below(std::uint32_t n) noexcept {
    return static_cast<std::uint32_t>((Next() >> 32) * n >> 32);
}

namespace {

const char* const kLyrics[] = {"Softly the evening falls",
                               "over the silent town",
                               "lanterns along the river",
                               "and we are dancing still",
                               "la la la",
                               "when the night is over",
                               "come back to me",
                               "under the linden tree"};
const char* const kMarks[] = {"accel.", "rit.", "a tempo", "cresc.", "dim.", "pp", "ff", "Fine"};

// Roll tracks sit 15 below the MIDI notes that they play.
std::uint8_t TrackOf(int note) {
    return static_cast<std::uint8_t>(note - 15);
}

// One record waiting to be written: records leave in order of step, then closings before
// openings (so that a repeated note strikes again), then in order of making.
struct Pending {
    std::uint64_t step;
    int order;  // 0 control, 1 hole closes, 2 hole opens
    std::uint64_t serial;
    std::uint8_t code;
    std::string text;
    bool operator>(const Pending& o) const {
        if (step != o.step) return step > o.step;
        if (order != o.order) return order > o.order;
        return serial > o.serial;
    }
};

class Writer {
  public:
    Writer(const RollShape& shape, GeneratedRoll& out) : m_shape(shape), m_out(out) {}

    // Adds the record if it fits the size; returns false once a record did not fit.
    bool Record(std::uint64_t step, std::uint8_t code, const std::string& text) {
        std::uint8_t delta[10];
        std::size_t n = 0;
        std::uint64_t value = step - m_lastStep;
        do {
            std::uint8_t group = value & 0x7F;
            value >>= 7;
            delta[n++] = value ? static_cast<std::uint8_t>(group | 0x80) : group;
        } while (value);
        std::size_t bytes = n + 1 + (code >= 240 && code <= 244 ? text.size() + 1 : 0);
        if (m_out.bar.size() + bytes > m_shape.size) return false;
        m_out.bar.insert(m_out.bar.end(), delta, delta + n);
        m_out.bar.push_back(code);
        if (code >= 240 && code <= 244) {
            m_out.bar.insert(m_out.bar.end(), text.begin(), text.end());
            m_out.bar.push_back(0);
            ++m_out.textRecords;
        }
        if (code < 240 && code + 15 > 127) ++m_out.droppedEvents;
        ++m_out.events;
        m_lastStep = step;
        return true;
    }

  private:
    const RollShape& m_shape;
    GeneratedRoll& m_out;
    std::uint64_t m_lastStep = 0;
};

class Composer {
  public:
    Composer(const RollShape& shape, GeneratedRoll& out)
        : m_random(shape.seed), m_writer(shape, out) {
        std::int32_t tempo = shape.tempo >= 10 && shape.tempo <= 500 ? shape.tempo : 100;
        double stepsPerInch = std::trunc(shape.sampleRate * 50.0 / tempo);
        if (stepsPerInch < 1) stepsPerInch = 100;
        m_stepsPerBeat = 1.2 * stepsPerInch;  // a quarter note is 1.2 inches of roll
        m_beatsPerBar = m_random.Chance(50) ? 3 : 4;
        m_melody = 64 + static_cast<int>(m_random.Below(8));
    }

    void Run() {
        Control(0, 240,
                "(c) Rollscribe generated roll, seed " + std::to_string(m_random.Next() % 1000));
        Control(0, 241, "A generated roll for measuring the converter");
        for (std::uint64_t bar = 0;; ++bar) {
            double start = static_cast<double>(bar * m_beatsPerBar);
            if (!Flush(StepAt(start))) return;
            Bar(bar, start);
        }
    }

  private:
    std::uint64_t StepAt(double beat) {
        return static_cast<std::uint64_t>(std::llround(beat * m_stepsPerBeat));
    }
    // Scanners see each hole's edge a few steps late or early; only late here, so that no record
    // falls before the start of the bar that made it.
    std::uint64_t Scanned(double beat) { return StepAt(beat) + m_random.Below(4); }

    void Push(std::uint64_t step, int order, std::uint8_t code, std::string text = {}) {
        m_pending.push(Pending{step, order, m_serial++, code, std::move(text)});
    }
    void Control(double beat, std::uint8_t code, std::string text = {}) {
        Push(StepAt(beat), 0, code, std::move(text));
    }
    // A hole for the note from beat to beat + length, when its track is free by then.
    void Note(int note, double beat, double length) {
        std::uint8_t track = TrackOf(note);
        std::uint64_t open = Scanned(beat);
        std::uint64_t close = Scanned(beat + length);
        if (close <= open) close = open + 1;
        // A hole still open would be closed by this one's opening record instead.
        if (open < m_busyUntil[track]) return;
        m_busyUntil[track] = close;
        Push(open, 2, track);
        Push(close, 1, track);
    }

    // Writes every record before step; false once the roll is full.
    bool Flush(std::uint64_t step) {
        while (!m_pending.empty() && m_pending.top().step < step) {
            const Pending& p = m_pending.top();
            if (!m_writer.Record(p.step, p.code, p.text)) return false;
            m_pending.pop();
        }
        return true;
    }

    void Bar(std::uint64_t bar, double start) {
        static const int kDegrees[] = {0, 5, 7, 9, 2, 7, 0, 5};
        int root = 48 + kDegrees[m_random.Below(8)];
        if (root > 55) root -= 12;
        int third = root + (m_random.Chance(30) ? 3 : 4);
        int bass = root - 12 - (m_random.Chance(40) ? 5 : 0);

        for (int beat = 0; beat < m_beatsPerBar; ++beat) {
            if (beat == 0 || (m_beatsPerBar == 4 && beat == 2)) {
                Note(bass, start + beat, 0.8);
            } else {
                for (int n : {root, third, root + 7}) Note(n, start + beat + 0.02, 0.55);
            }
        }

        static const double kLengths[] = {0.5, 0.5, 1.0, 1.0, 1.0, 1.5, 2.0, 0.25};
        if (bar % 8 == 0) m_doubled = m_random.Chance(50);
        for (double at = 0; at < m_beatsPerBar;) {
            double length = kLengths[m_random.Below(8)];
            if (at + length > m_beatsPerBar) length = m_beatsPerBar - at;
            static const int kSteps[] = {-4, -2, -1, 0, 1, 2, 3, 5};
            m_melody += kSteps[m_random.Below(8)];
            if (m_melody < 62) m_melody += 7;
            if (m_melody > 86) m_melody -= 9;
            Note(m_melody, start + at, length - 0.1);
            if (m_doubled) Note(m_melody - 12, start + at, length - 0.1);
            at += length;
        }

        // Expression holes at the edges of the tracker bar; the upper ones lie above the MIDI
        // range.
        if (m_random.Chance(30)) {
            static const int kExpression[] = {16, 17, 18, 19, 128, 129, 130, 131};
            Note(kExpression[m_random.Below(8)], start + m_random.Below(m_beatsPerBar), 0.4);
        }
        if (bar % 8 == 4 && m_random.Chance(50)) Control(start, 242, kLyrics[m_random.Below(8)]);
        if (bar % 16 == 15) {
            if (m_random.Chance(25))
                Control(start, static_cast<std::uint8_t>(243 + m_random.Below(2)),
                        kMarks[m_random.Below(8)]);
            else
                Control(start, static_cast<std::uint8_t>(245 + m_random.Below(11)));
        }
    }

    Random m_random;
    Writer m_writer;
    double m_stepsPerBeat = 0;
    int m_beatsPerBar = 3;
    int m_melody = 64;
    bool m_doubled = false;
    std::uint64_t m_serial = 0;
    std::uint64_t m_busyUntil[256] = {};
    std::priority_queue<Pending, std::vector<Pending>, std::greater<Pending>> m_pending;
};

std::string Line(const std::string& key, const std::string& value) {
    return key + ": " + value + "\r\n";
}

}  // namespace

GeneratedRoll GenerateRoll(const RollShape& shape) {
    GeneratedRoll roll;
    roll.bar.reserve(shape.size);
    const char header[] = "BAR";
    for (std::size_t i = 0; i < 3 && roll.bar.size() < shape.size; ++i)
        roll.bar.push_back(static_cast<std::uint8_t>(header[i]));
    if (roll.bar.size() == 3) Composer(shape, roll).Run();
    roll.ann = GenerateAnnotations(shape, 0);
    return roll;
}

std::string GenerateAnnotations(const RollShape& shape, std::size_t minBytes) {
    Random random(shape.seed ^ 0xA5A5A5A5ull);
    std::string text;
    text += Line("/title", "Generated Roll No. " + std::to_string(shape.seed));
    text += Line("/composer", "Rollscribe Generator");
    text += Line("/pianist", "Nobody at All");
    text += Line("/roll_number", "G-" + std::to_string(10000 + random.Below(90000)));
    text += Line("/roll_type", random.Chance(30) ? "Ampico" : "88-note");
    text += Line("/roll_tempo", std::to_string(shape.tempo));
    text += Line("/sample_rate", std::to_string(shape.sampleRate));
    text += Line("/publisher", "Rollscribe benchmarks");
    text += Line("/scanned", "generated, not scanned: seed " + std::to_string(shape.seed));
    for (std::size_t i = 0; text.size() < minBytes; ++i)
        text += Line(
            "/remark_" + std::to_string(i),
            std::string("condition: ") + kMarks[random.Below(8)] + ", " + kLyrics[random.Below(8)]);
    return text;
}

RollShape BatchRollShape(std::uint64_t seed, std::size_t index) {
    Random random(seed * 0x100000001B3ull + index);
    static const std::int32_t kRates[] = {200, 300, 300, 400, 600};
    RollShape shape;
    shape.seed = random.Next();
    shape.sampleRate = kRates[random.Below(5)];
    shape.tempo = 60 + static_cast<std::int32_t>(random.Below(51));
    shape.size = 10 * 1024 + random.Below(54 * 1024);
    return shape;
}

}  // namespace rollgen
