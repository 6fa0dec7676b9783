#include "cli/RollOutputsModule.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace rollscribe {

std::string RollOutputsModulePath() {
    std::string self(PATH_MAX, '\0');  // not on the stack, which may be small
    const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= self.size() || self[0] != '/')
        return ROLLSCRIBE_INSTALLED_OUTPUTS_MODULE;
    self.resize(static_cast<std::size_t>(n));
    return self.substr(0, self.rfind('/') + 1) + ROLLSCRIBE_OUTPUTS_MODULE;
}

std::unique_ptr<RollOutputs> OpenRollOutputs(const ConversionSettings& settings) {
    const std::string path = RollOutputsModulePath();
    // An absolute path: the loader opens that file and searches nowhere. Never closed: the
    // libraries it brings keep state (caches, handlers) for the rest of the process. Global, so
    // that the sound code finds the OpenMP runtime that FluidSynth brings (SynthSession.cpp).
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
    if (!module) throw RollOutputsUnavailable(::dlerror());
    auto make = reinterpret_cast<MakeRollOutputs>(::dlsym(module, kMakeRollOutputsSymbol));
    RollOutputs* outputs = make ? make(settings, kRollOutputsRevision) : nullptr;
    if (!outputs)
        throw RollOutputsUnavailable(path + ": built for another version of the converter");
    return std::unique_ptr<RollOutputs>(outputs);
}

}  // namespace rollscribe
