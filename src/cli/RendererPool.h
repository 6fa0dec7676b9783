#pragma once

#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/WavRenderer.h"

namespace rollscribe {

// The WAV renderers of a run, shared by its worker threads: a thread takes a renderer that no
// other thread is using, renders a file with it and gives it back, so that there are never more
// renderers than threads rendering at once, and each loads the sound font only once. The part
// done of the files being rendered can be read from any thread, for a progress bar.
class RendererPool {
  public:
    explicit RendererPool(std::string soundFont);
    ~RendererPool();
    RendererPool(const RendererPool&) = delete;
    RendererPool& operator=(const RendererPool&) = delete;

    // A renderer for one thread's use, given back when the lease goes.
    class Lease {
      public:
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&&) = delete;
        ~Lease();
        // Renders a MIDI file into a WAV file; throws what WavRenderer::Render throws.
        RenderResult Render(const CString& midiPath, const CString& wavPath);

      private:
        friend class RendererPool;
        struct Slot;
        Lease(RendererPool& pool, Slot& slot) noexcept : m_pool(&pool), m_slot(&slot) {}
        RendererPool* m_pool;
        Slot* m_slot;
    };

    // A free renderer, made when every one is in use. Throws what loading the sound font threw
    // (WavRenderer's constructor); once it has failed, it is not loaded again, and every later
    // call throws the same.
    Lease Take();

    // The sum of the parts done (0 to 1 each) of the files being rendered now.
    double PartInProgress() const;

  private:
    std::string m_soundFont;
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<Lease::Slot>> m_slots;
    std::exception_ptr m_loadError;
};

}  // namespace rollscribe
