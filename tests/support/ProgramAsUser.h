#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "support/TestFiles.h"

namespace testing_support {

// Copies a program into folder/bin, with the converter's picture-and-sound module at its place
// relative to that folder when it lies beside the program; returns the copy's path.
std::filesystem::path CopyProgram(const std::filesystem::path& program,
                                  const std::filesystem::path& folder);

// A program that a test runs as an ordinary user. As root, that is the user nobody, who may not
// reach the build tree (a checkout under a folder only its owner may enter, such as a clone in
// /root): the program is copied into a folder that user can reach (CopyProgram). Otherwise the
// program runs as it is, where it lies.
class ProgramAsUser {
  public:
    explicit ProgramAsUser(const std::filesystem::path& program);

    // The start of a command line that runs what follows as that user: "setpriv ... " or "".
    const std::string& Prefix() const noexcept { return m_prefix; }
    // The program to run.
    std::string Path() const { return m_program.string(); }
    // Both: the prefix and the program.
    std::string Command() const { return m_prefix + m_program.string(); }

  private:
    std::unique_ptr<TempDir> m_copy;
    std::string m_prefix;
    std::filesystem::path m_program;
};

}  // namespace testing_support
