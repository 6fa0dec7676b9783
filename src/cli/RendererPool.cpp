#include "cli/RendererPool.h"

#include <utility>

namespace rollscribe {

struct RendererPool::Lease::Slot {
    std::unique_ptr<WavRenderer> renderer;
    bool busy = false;
    std::atomic<double> part{0.0};  // of the file being rendered
};

RendererPool::RendererPool(std::string soundFont) : m_soundFont(std::move(soundFont)) {}

RendererPool::~RendererPool() = default;

RendererPool::Lease RendererPool::Take() {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto& slot : m_slots) {
        if (!slot->busy) {
            slot->busy = true;
            return Lease(*this, *slot);
        }
    }
    if (m_loadError) std::rethrow_exception(m_loadError);
    // Made under the lock: FluidSynth sets up its shared tables when the first synthesizer is
    // made, which other threads must not race with.
    auto slot = std::make_unique<Lease::Slot>();
    RenderOptions options;
    options.soundFont = m_soundFont;
    Lease::Slot* target = slot.get();
    options.progress = [target](double part) { target->part.store(part); };
    try {
        slot->renderer = std::make_unique<WavRenderer>(std::move(options));
    } catch (...) {
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
    std::lock_guard<std::mutex> lock(m_pool->m_mutex);
    m_slot->part.store(0.0);
    m_slot->busy = false;
}

RenderResult RendererPool::Lease::Render(const CString& midiPath, const CString& wavPath) {
    m_slot->part.store(0.0);
    return m_slot->renderer->Render(midiPath, wavPath);
}

}  // namespace rollscribe
