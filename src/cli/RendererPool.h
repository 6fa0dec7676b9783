#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "audio/WavRenderer.h"

namespace rollscribe {

// The WAV renderers of a run, shared by its worker threads: a thread takes a renderer that no
// other thread is using, renders a file with it and gives it back, so that there are never more
// renderers than threads rendering at once, and each loads the sound font only once. Each
// renderer holds a copy of the sound font: when the address space is short (`ulimit -v`), fewer
// are made and a thread waits for one to be given back. The part done of the files being rendered
// can be read from any thread, for a progress bar.
class RendererPool {
  public:
    // Whether the address space has room for so many bytes more (AddressSpaceHasRoom; tests
    // give their own).
    using RoomCheck = std::function<bool(std::uint64_t bytes)>;

    explicit RendererPool(std::string soundFont, RoomCheck hasRoom = {});
    ~RendererPool();
    RendererPool(const RendererPool&) = delete;
    RendererPool& operator=(const RendererPool&) = delete;

    // A renderer for one thread's use, given back when the lease goes.
    class Lease {
      public:
        Lease(Lease&& other) noexcept;
        Lease& operator=(Lease&&) = delete;
        ~Lease();
        // Renders a MIDI file into a sound file; throws what WavRenderer::Render throws.
        RenderResult Render(const CString& midiPath, const CString& soundPath,
                            SoundFormat format = SoundFormat::wav);

      private:
        friend class RendererPool;
        struct Slot;
        Lease(RendererPool& pool, Slot& slot) noexcept : m_pool(&pool), m_slot(&slot) {}
        RendererPool* m_pool;
        Slot* m_slot;
    };

    // Makes the first renderer now, so that a sound font that cannot be used is found before
    // any roll is converted. Throws CFileException or CException naming the sound font when it
    // cannot be read, is no sound font or cannot be loaded. When memory is short (AudioError)
    // nothing is thrown: the rolls say so one by one.
    void LoadFirst();

    // A free renderer. When every one is in use, another is made if the address space has room
    // for it and for the rest of the run's work besides; otherwise the call waits for one to be
    // given back. Throws what loading the sound font throws (WavRenderer's constructor): once
    // the file has failed (CException), it is not loaded again, and every later call throws the
    // same; AudioError (no memory for the first renderer) is thrown and tried again next time.
    Lease Take();

    // The sum of the parts done (0 to 1 each) of the files being rendered now.
    double PartInProgress() const;

  private:
    // Makes a renderer and takes it; the lock is held.
    Lease Add();

    std::string m_soundFont;
    RoomCheck m_hasRoom;
    mutable std::mutex m_mutex;
    std::condition_variable m_returned;
    std::vector<std::unique_ptr<Lease::Slot>> m_slots;
    std::exception_ptr m_loadError;
    std::optional<std::uint64_t> m_fontMemory;  // what a renderer takes, once known
};

}  // namespace rollscribe
