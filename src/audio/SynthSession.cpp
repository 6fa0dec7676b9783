#include "audio/SynthSession.h"

#include <dlfcn.h>
#include <glib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <new>
#include <vector>

#include "audio/AudioError.h"
#include "platform/AddressSpace.h"
#include "platform/CException.h"
#include "platform/CFile.h"

namespace rollscribe {

namespace {

thread_local std::string t_errors;

// Called from FluidSynth's C code, which an exception must not cross: out of memory, the message
// is dropped.
void CollectLog(int level, const char* message, void*) noexcept {
    if (level != FLUID_PANIC && level != FLUID_ERR) return;
    try {
        if (!t_errors.empty()) t_errors += "; ";
        t_errors += message ? message : "";
    } catch (const std::bad_alloc&) {
    }
}

// FluidSynth hands a file that its own loader refuses to libinstpatch, which reports failed
// checks through GLib's log without a domain: printed on standard error by default, as
// "** (process:N): CRITICAL **: ...", between the program's own messages. FluidSynth's error
// says what matters.
void SilentGlibLog(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

// The sound system's error handler, which prints to standard error by default.
extern "C" void SilentAlsaErrors(const char*, int, const char*, int, const char*, ...) {}
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetHandler = int (*)(AlsaErrorHandler);

// The reason FluidSynth gave, if any, to end a message with.
std::string Because() {
    std::string errors = TakeFluidSynthErrors();
    return errors.empty() ? std::string() : " (" + errors + ")";
}

constexpr std::uint64_t kMegabyte = 1 << 20;

// What a synthesizer, a MIDI player and the rest of a render take besides the sound font and
// the file's events, with room to spare.
constexpr std::uint64_t kRenderMemory = 16 * kMegabyte;

std::string Megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + kMegabyte - 1) / kMegabyte) + " MB";
}

// Throws AudioError saying what there is no memory for, when the address space has no room for
// bytes more. FluidSynth does not check every allocation: out of memory it crashes.
void RequireRoom(std::uint64_t bytes, const std::string& what) {
    if (AddressSpaceHasRoom(bytes)) return;
    throw AudioError("not enough memory to " + what + " (about " + Megabytes(bytes) +
                     " under an address-space limit of " +
                     Megabytes(AddressSpaceLimit().value_or(0)) + ")");
}

// FluidSynth loads a sound font's samples with an OpenMP parallel loop, whose runtime starts a
// thread for every processor and, when the system refuses one, ends the process ("Thread creation
// failed"). The number of threads is a setting of the thread that starts the loop; libgomp reads
// OMP_NUM_THREADS only once, before main, so the setting is made here, on the thread that loads.
void NoOpenMpThreadsOnThisThread() {
    using SetNumThreads = void (*)(int);
    static const auto set =
        reinterpret_cast<SetNumThreads>(::dlsym(RTLD_DEFAULT, "omp_set_num_threads"));
    if (set) set(1);
}

// Reads a variable-length quantity of a MIDI file; false past the end or beyond four bytes.
bool ReadVarLength(const std::vector<unsigned char>& b, std::size_t& at, std::size_t end,
                   std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4 && at < end; ++i) {
        const unsigned char byte = b[at++];
        value = value << 7 | (byte & 0x7F);
        if (!(byte & 0x80)) return true;
    }
    return false;
}

// The length in ticks of a Standard MIDI File, its longest track's; none when its tracks cannot
// be read. The player knows it only once it has loaded the file, in its first step.
std::optional<std::int64_t> MidiFileTicks(const std::vector<unsigned char>& b) {
    auto u32 = [&](std::size_t at) {
        return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 |
               std::uint32_t{b[at + 2]} << 8 | b[at + 3];
    };
    const std::size_t header = 8 + std::size_t{u32(4)};
    if (header > b.size()) return {};
    std::int64_t longest = 0;
    bool anyTrack = false;
    for (std::size_t chunk = header; chunk + 8 <= b.size();) {
        const std::size_t start = chunk + 8, end = start + u32(chunk + 4);
        if (end > b.size()) return {};
        const bool track =
            b[chunk] == 'M' && b[chunk + 1] == 'T' && b[chunk + 2] == 'r' && b[chunk + 3] == 'k';
        std::int64_t ticks = 0;
        unsigned char status = 0;
        for (std::size_t at = start; track && at < end;) {
            std::uint32_t delta = 0, length = 0;
            if (!ReadVarLength(b, at, end, delta) || at >= end) return {};
            ticks += delta;
            if (b[at] & 0x80) status = b[at++];
            if (status == 0xFF) {
                if (at >= end) return {};
                const unsigned char type = b[at++];
                if (!ReadVarLength(b, at, end, length)) return {};
                if (type == 0x2F) break;  // the end of the track
                at += length;
            } else if (status == 0xF0 || status == 0xF7) {
                if (!ReadVarLength(b, at, end, length)) return {};
                at += length;
                status = 0;
            } else if (status >= 0x80 && status < 0xF0) {
                at += (status & 0xE0) == 0xC0 ? 1 : 2;  // program and channel pressure: one byte
            } else {
                return {};
            }
        }
        anyTrack = anyTrack || track;
        longest = std::max(longest, ticks);
        chunk = end;
    }
    if (!anyTrack) return {};
    return longest;
}

}  // namespace

void QuietFluidSynth() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = 0; level < LAST_LOG_LEVEL; ++level)
            fluid_set_log_function(level, CollectLog, nullptr);
        // FluidSynth's ALSA driver reports through FluidSynth's log; ALSA itself prints to
        // standard error when there is no sound card. Its handler is set where ALSA is loaded.
        g_log_set_handler(nullptr,
                          static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK & ~G_LOG_LEVEL_ERROR),
                          SilentGlibLog, nullptr);
        if (void* set = ::dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"))
            reinterpret_cast<AlsaSetHandler>(set)(SilentAlsaErrors);
    });
}

std::string TakeFluidSynthErrors() {
    std::string errors;
    errors.swap(t_errors);
    return errors;
}

std::uint64_t SoundFontMemory(const std::string& soundFont) {
    std::vector<unsigned char> start;
    try {
        start = ReadFileStart(CString(soundFont), 36);
    } catch (const CFileException& e) {
        // Named as the user named it, like every other message about the sound font.
        CFileException named(soundFont, e.Reason(), e.m_cause);
        named.m_lOsError = e.m_lOsError;
        throw named;
    }
    auto at = [&](std::size_t offset, const char* text) {
        return start.size() >= offset + 4 && std::equal(text, text + 4, start.begin() + offset);
    };
    // FluidSynth takes SoundFont 2 (and 3) and DLS files, both RIFF forms; anything else is
    // refused here, before FluidSynth's loaders report it in their own way.
    const bool soundFont2 = at(0, "RIFF") && at(8, "sfbk");
    if (!soundFont2 && !(at(0, "RIFF") && at(8, "DLS ")))
        throw CException(soundFont, "not a sound font (SoundFont 2 or DLS file)");
    struct stat st {};
    const std::uint64_t size =
        ::stat(soundFont.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    // Measured with FluidSynth 2.3: a SoundFont 2 takes its samples' size and, for its presets
    // and instruments, up to as much again; the compressed samples of a SoundFont 3 (version 3 in
    // its first chunk, "ifil") come out some ten times larger; a DLS file goes through
    // libinstpatch's objects first.
    const bool compressed = soundFont2 && at(24, "ifil") && start.size() >= 34 && start[32] == 3;
    const std::uint64_t factor = compressed ? 12 : soundFont2 ? 2 : 4;
    return size * factor + kRenderMemory;
}

SynthSession::SynthSession(const SoundOptions& options) {
    QuietFluidSynth();
    TakeFluidSynthErrors();
    // The sound font is opened here first, so that a missing or unreadable one is reported with
    // the system's reason.
    RequireRoom(SoundFontMemory(options.soundFont), "load the sound font " + options.soundFont);
    m_settings = new_fluid_settings();
    if (!m_settings) throw AudioError("the synthesizer's settings cannot be made" + Because());
    fluid_settings_setnum(m_settings, "synth.sample-rate", kSampleRate);
    fluid_settings_setnum(m_settings, "synth.gain", options.gain);
    fluid_settings_setstr(m_settings, "player.timing-source", "sample");
    fluid_settings_setint(m_settings, "synth.lock-memory", 0);
    // Rendering needs no threads of its own: one core, no mixer threads.
    fluid_settings_setint(m_settings, "synth.cpu-cores", 1);
    try {
        m_fontHolder = new_fluid_synth(m_settings);
        if (!m_fontHolder) throw AudioError("the synthesizer cannot be made" + Because());
        NoOpenMpThreadsOnThisThread();
        const int id = fluid_synth_sfload(m_fontHolder, options.soundFont.c_str(), 1);
        if (id == FLUID_FAILED) {
            // Out of memory is no fault of the file.
            const std::string because = Because();
            if (because.find("Out of memory") != std::string::npos)
                throw AudioError("not enough memory to load the sound font " + options.soundFont +
                                 because);
            throw CException(options.soundFont, "not a sound font that can be loaded" + because);
        }
        // The synthesizer that plays is made by StartPlayer, fresh for each file.
        m_font = fluid_synth_get_sfont_by_id(m_fontHolder, id);
    } catch (...) {
        Release();
        throw;
    }
}

SynthSession::~SynthSession() {
    Release();
}

void SynthSession::Release() noexcept {
    StopPlayer();
    if (m_synth) {
        fluid_synth_remove_sfont(m_synth, m_font);
        delete_fluid_synth(m_synth);
        m_synth = nullptr;
    }
    if (m_fontHolder) delete_fluid_synth(m_fontHolder);
    m_fontHolder = nullptr;
    if (m_settings) delete_fluid_settings(m_settings);
    m_settings = nullptr;
}

void SynthSession::NewSynth() {
    if (m_synth) {
        fluid_synth_remove_sfont(m_synth, m_font);
        delete_fluid_synth(m_synth);
        m_synth = nullptr;
    }
    m_synth = new_fluid_synth(m_settings);
    if (!m_synth) throw AudioError("the synthesizer cannot be made" + Because());
    if (fluid_synth_add_sfont(m_synth, m_font) == FLUID_FAILED)
        throw AudioError("the sound font cannot be given to the synthesizer" + Because());
}

void SynthSession::StartPlayer(const CString& midiPath, std::int64_t startTick) {
    StopPlayer();
    // A fresh synthesizer for every file: nothing of the previous one (reverb, controllers,
    // the timing of its blocks) carries over, so that a file always sounds the same.
    const std::vector<unsigned char> bytes = ReadWholeFile(midiPath);
    if (bytes.size() < 14 || bytes[0] != 'M' || bytes[1] != 'T' || bytes[2] != 'h' ||
        bytes[3] != 'd')
        throw CException(midiPath.ToStdString(), "not a MIDI file");
    // The player keeps an event of some 40 bytes for every 3 or 4 of the file.
    RequireRoom(kRenderMemory + 16 * static_cast<std::uint64_t>(bytes.size()),
                "render " + midiPath.ToStdString());
    NewSynth();
    m_division = (bytes[12] & 0x80) ? 0 : bytes[12] << 8 | bytes[13];
    m_fileTicks = MidiFileTicks(bytes);
    TakeFluidSynthErrors();
    m_player = new_fluid_player(m_synth);
    if (!m_player) throw AudioError("the MIDI player cannot be made" + Because());
    if (fluid_player_add_mem(m_player, bytes.data(), bytes.size()) != FLUID_OK ||
        fluid_player_play(m_player) != FLUID_OK) {
        const std::string reason = "cannot be played" + Because();
        StopPlayer();
        throw CException(midiPath.ToStdString(), reason);
    }
    if (startTick > 0) {
        // The player loads the file in its first step and forgets any position asked before:
        // take that step (silently), ask for the position, and take the step that goes there,
        // so that the position is right when playing starts.
        std::int16_t scratch[2 * 64];
        Render(scratch, 64);
        fluid_synth_all_sounds_off(m_synth, -1);
        fluid_player_seek(m_player,
                          static_cast<int>(std::min<std::int64_t>(startTick, TotalTicks())));
        Render(scratch, 64);
    }
}

void SynthSession::StopPlayer() noexcept {
    if (!m_player) return;
    fluid_player_stop(m_player);
    delete_fluid_player(m_player);
    m_player = nullptr;
    fluid_synth_all_sounds_off(m_synth, -1);
    fluid_synth_system_reset(m_synth);
}

bool SynthSession::PlayerPlaying() const noexcept {
    if (!m_player || fluid_player_get_status(m_player) != FLUID_PLAYER_PLAYING) return false;
    // The player goes on after the file's last tick until the voices have died away (seconds,
    // for a held note); the file itself has ended there. Its length is 0 until the player has
    // loaded the file, in its first step: then the length read from the file decides.
    const std::int64_t total = TotalTicks();
    if (total == 0) return m_fileTicks != std::int64_t{0};
    return fluid_player_get_current_tick(m_player) < total;
}

std::int64_t SynthSession::CurrentTick() const noexcept {
    if (!m_player) return 0;
    const std::int64_t tick = fluid_player_get_current_tick(m_player);
    const std::int64_t total = TotalTicks();
    return total > 0 ? std::min(tick, total) : tick;
}

std::int64_t SynthSession::TotalTicks() const noexcept {
    return m_player ? fluid_player_get_total_ticks(m_player) : 0;
}

void SynthSession::Render(std::int16_t* out, int frames) {
    // Rendered as floating point and rounded here: FluidSynth's own 16-bit output adds dither,
    // so that silence would not be silent.
    if (m_floats.size() < 2 * static_cast<std::size_t>(frames))
        m_floats.resize(2 * static_cast<std::size_t>(frames));
    float* f = m_floats.data();
    if (!m_synth) {  // nothing started yet: silence
        std::fill_n(out, 2 * static_cast<std::size_t>(frames), std::int16_t{0});
        return;
    }
    fluid_synth_write_float(m_synth, frames, f, 0, 2, f, 1, 2);
    for (std::size_t i = 0, n = 2 * static_cast<std::size_t>(frames); i < n; ++i) {
        const float v = std::clamp(f[i], -1.0f, 1.0f) * 32767.0f;
        out[i] = static_cast<std::int16_t>(std::lround(v));
    }
}

}  // namespace rollscribe
