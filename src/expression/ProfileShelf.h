#pragma once

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "expression/RollProfile.h"

namespace rollscribe {

// The profiles of one run, each read the first time a roll asks for it and then shared by every
// worker: a run over an archive of mixed roll types reads each profile once, however its rolls
// alternate. Safe to use from several threads.
class ProfileShelf {
  public:
    using Loader = std::function<RollProfile(const std::string&)>;

    // load: how a profile is read (LoadProfile; tests count the reads).
    explicit ProfileShelf(Loader load = {});

    // The profile named or in the file given, as LoadProfile reads it. One that could not be
    // read throws the same error again on every later call, without reading it again; running
    // out of memory is not kept, so a later call tries again.
    std::shared_ptr<const RollProfile> Get(const std::string& nameOrFile);

  private:
    struct Shelved {
        std::shared_ptr<const RollProfile> profile;
        std::exception_ptr error;
    };

    Loader m_load;
    std::mutex m_mutex;
    std::map<std::string, Shelved, std::less<>> m_shelved;
};

}  // namespace rollscribe
