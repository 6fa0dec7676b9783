#include "BenchFolder.h"

#include <stdlib.h>

#include <cstdlib>
#include <string>
#include <system_error>

#include "RollGenerator.h"
#include "platform/CAtomicFile.h"
#include "platform/CString.h"

namespace fs = std::filesystem;

namespace rollscribe {

namespace {

class BenchFolder {
  public:
    BenchFolder() {
        if (const char* named = std::getenv("ROLLSCRIBE_BENCH_DIR")) {
            m_path = named;
            fs::create_directories(m_path);
        } else {
            std::string pattern = (fs::temp_directory_path() / "rollscribe-bench-XXXXXX").string();
            if (!::mkdtemp(pattern.data())) std::abort();
            m_path = pattern;
            m_owned = true;
        }
    }
    ~BenchFolder() {
        std::error_code ec;
        if (m_owned) fs::remove_all(m_path, ec);
    }
    const fs::path& Path() const { return m_path; }

  private:
    fs::path m_path;
    bool m_owned = false;
};

}  // namespace

const fs::path& BenchFolderPath() {
    static BenchFolder folder;
    return folder.Path();
}

void WriteWhole(const fs::path& path, const void* data, std::size_t size) {
    CAtomicFile file;
    file.Create(CString(path.string()));
    file.Write(data, size);
    file.Commit();
}

fs::path RollOfSize(std::int64_t size) {
    const fs::path bar = BenchFolderPath() / ("roll_" + std::to_string(size) + ".bar");
    const fs::path ann = BenchFolderPath() / ("roll_" + std::to_string(size) + ".ann");
    std::error_code ec;
    if (!fs::is_regular_file(bar, ec) || !fs::is_regular_file(ann, ec)) {
        rollgen::RollShape shape;
        shape.size = static_cast<std::size_t>(size);
        rollgen::GeneratedRoll roll = rollgen::GenerateRoll(shape);
        WriteWhole(bar, roll.bar.data(), roll.bar.size());
        WriteWhole(ann, roll.ann.data(), roll.ann.size());
    }
    return bar;
}

}  // namespace rollscribe
