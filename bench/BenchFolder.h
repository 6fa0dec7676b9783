#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace rollscribe {

// The folder that holds a benchmark run's generated files: ROLLSCRIBE_BENCH_DIR when set (kept
// and reused), else a fresh temporary folder removed at exit.
const std::filesystem::path& BenchFolderPath();

// Writes a whole file (atomically, as the programs write theirs).
void WriteWhole(const std::filesystem::path& path, const void* data, std::size_t size);

// A generated roll of the given size in bytes and its annotation file, in the bench folder; made
// on first use (or when either file is missing). Returns the roll's path.
std::filesystem::path RollOfSize(std::int64_t size);

}  // namespace rollscribe
