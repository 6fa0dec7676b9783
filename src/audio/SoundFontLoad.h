#pragma once

#include <memory>

#include "audio/SynthSession.h"

namespace rollscribe {

// Loads a sound font into a SynthSession on a thread of its own, so that a window stays
// responsive meanwhile (a large font takes seconds). A load cannot be cut short: one that is let
// go of runs to its end on its thread and frees what it made there.
class SoundFontLoad {
  public:
    // Starts loading. Throws std::system_error when no thread can be started.
    explicit SoundFontLoad(SoundOptions options);
    // Does not wait for the load.
    ~SoundFontLoad();
    SoundFontLoad(const SoundFontLoad&) = delete;
    SoundFontLoad& operator=(const SoundFontLoad&) = delete;

    // Whether the load has ended, either way.
    bool Done() const noexcept;
    // Once done: the session, or what the SynthSession constructor threw, thrown here. Once only.
    std::unique_ptr<SynthSession> Take();

    // How many loads of this process still run. A program that ends while one runs ends with
    // std::_Exit, not under the load's feet by the destructors of static objects.
    static int Running() noexcept;

  private:
    struct State;
    std::shared_ptr<State> m_state;
};

}  // namespace rollscribe
