#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The sound font the tests play with, named by its own path so that whatever the system's
// default sound font points to changes nothing: the small one scripts/install-deps.sh installs.
#define TEST_SOUND_FONT "/usr/share/sounds/sf2/TimGM6mb.sf2"

namespace testing_support {

using Bytes = std::vector<std::uint8_t>;

// "4D 54 68 64" (spaces, '|' and line breaks ignored) as bytes.
Bytes Hex(std::string_view text);
// Bytes as "4D 54 68 64", for readable failure messages.
std::string HexOf(const Bytes& bytes);
Bytes BytesOf(std::string_view text);

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
  public:
    TempDir();
    // A fresh folder inside base.
    explicit TempDir(const std::filesystem::path& base);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

  private:
    std::filesystem::path m_path;
};

void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
void WriteFile(const std::filesystem::path& path, std::string_view text);
Bytes ReadFile(const std::filesystem::path& path);
// Names in a folder, sorted.
std::vector<std::string> ListDir(const std::filesystem::path& dir);
// Whether a folder holds a temporary file ("*.tmp"), or, when output is given, one begun for
// that output (".output*.tmp"). A folder that cannot be read holds none.
bool HasTemporaryFile(const std::filesystem::path& dir, const std::string& output = "");

}  // namespace testing_support
