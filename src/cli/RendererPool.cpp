#include "cli/RendererPool.h"

#include <utility>

#include "audio/AudioError.h"
#include "platform/AddressSpace.h"
#include "platform/CException.h"

namespace rollscribe {

namespace {

// Address space left for the rest of the run (the other rolls' conversions, pictures and
// renders) when a renderer more is made: a MIDI file is never lost to a WAV file's renderer.
constexpr std::uint64_t kReserveForTheRun = 64ull << 20;

}  // namespace

struct RendererPool::Lease::Slot {
    std::unique_ptr<WavRenderer> renderer;
    bool busy = false;
    std::atomic<double> part{0.0};  // of the file being rendered
};

RendererPool::RendererPool(std::string soundFont, RoomCheck hasRoom)
    : m_soundFont(std::move(soundFont)),
      m_hasRoom(hasRoom ? std::move(hasRoom) : RoomCheck(AddressSpaceHasRoom)) {}

RendererPool::~RendererPool() = default;

void RendererPool::LoadFirst() {
    try {
        Lease first = Take();
    } catch (const AudioError&) {
    }
}

RendererPool::Lease RendererPool::Take() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        for (auto& slot : m_slots) {
            if (!slot->busy) {
                slot->busy = true;
                return Lease(*this, *slot);
            }
        }
        if (m_loadError) std::rethrow_exception(m_loadError);
        if (m_slots.empty()) return Add();
        try {
            if (!m_fontMemory) m_fontMemory = SoundFontMemory(m_soundFont);
            if (m_hasRoom(*m_fontMemory + kReserveForTheRun)) return Add();
        } catch (const CException&) {
            m_loadError = std::current_exception();
            throw;
        } catch (...) {
            // No memory for another after all (AudioError, std::bad_alloc): the ones there are
            // will do.
        }
        m_returned.wait(lock);
    }
}

RendererPool::Lease RendererPool::Add() {
    // Made under the lock: FluidSynth sets up its shared tables when the first synthesizer is
    // made, which other threads must not race with.
    auto slot = std::make_unique<Lease::Slot>();
    RenderOptions options;
    options.soundFont = m_soundFont;
    Lease::Slot* target = slot.get();
    options.progress = [target](double part) { target->part.store(part); };
    try {
        slot->renderer = std::make_unique<WavRenderer>(std::move(options));
    } catch (const CException&) {
        m_loadError = std::current_exception();
        throw;
    }
    slot->busy = true;
    m_slots.push_back(std::move(slot));
    return Lease(*this, *m_slots.back());
}

double RendererPool::PartInProgress() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    double sum = 0;
    for (const auto& slot : m_slots)
        if (slot->busy) sum += slot->part.load();
    return sum;
}

RendererPool::Lease::Lease(Lease&& other) noexcept
    : m_pool(std::exchange(other.m_pool, nullptr)), m_slot(std::exchange(other.m_slot, nullptr)) {}

RendererPool::Lease::~Lease() {
    if (!m_pool) return;
    {
        std::lock_guard<std::mutex> lock(m_pool->m_mutex);
        m_slot->part.store(0.0);
        m_slot->busy = false;
    }
    m_pool->m_returned.notify_one();
}

RenderResult RendererPool::Lease::Render(const CString& midiPath, const CString& soundPath,
                                         SoundFormat format) {
    m_slot->part.store(0.0);
    return m_slot->renderer->Render(midiPath, soundPath, format);
}

}  // namespace rollscribe
