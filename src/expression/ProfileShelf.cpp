#include "expression/ProfileShelf.h"

#include <new>

#include "expression/ProfileLocator.h"

namespace rollscribe {

ProfileShelf::ProfileShelf(Loader load) : m_load(load ? std::move(load) : Loader(LoadProfile)) {}

std::shared_ptr<const RollProfile> ProfileShelf::Get(const std::string& nameOrFile) {
    // One lock over the read too: the workers that want a profile not read yet wait for its one
    // read rather than reading it each.
    std::lock_guard<std::mutex> lock(m_mutex);
    if (auto found = m_shelved.find(nameOrFile); found != m_shelved.end()) {
        if (found->second.error) std::rethrow_exception(found->second.error);
        return found->second.profile;
    }
    try {
        auto profile = std::make_shared<const RollProfile>(m_load(nameOrFile));
        m_shelved.emplace(nameOrFile, Shelved{profile, nullptr});
        return profile;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (...) {
        m_shelved.emplace(nameOrFile, Shelved{nullptr, std::current_exception()});
        throw;
    }
}

}  // namespace rollscribe
