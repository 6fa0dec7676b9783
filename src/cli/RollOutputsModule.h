#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "cli/RollOutputs.h"

namespace rollscribe {

// The picture-and-sound module cannot be used; what() says why ("PATH: reason").
class RollOutputsUnavailable : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Where the picture-and-sound module lies: beside this program, as the system names this
// program's file (/proc/self/exe), at the path the build gives relative to the program's folder;
// or, where the system does not say (no /proc), at its installed absolute path. Never a path
// relative to the working folder, nor one searched for, where anyone may have put a file of that
// name.
std::string RollOutputsModulePath();

// Opens the module and makes its outputs for the settings. It stays loaded until the program
// ends. Throws RollOutputsUnavailable.
std::unique_ptr<RollOutputs> OpenRollOutputs(const ConversionSettings& settings);

}  // namespace rollscribe
