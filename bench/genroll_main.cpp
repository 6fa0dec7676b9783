// rollscribe-genroll: writes generated roll files (with their annotation files) for measuring.
#include <sys/stat.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "RollGenerator.h"
#include "platform/CAtomicFile.h"
#include "platform/CException.h"

using namespace rollscribe;

namespace {

const char kUsage[] =
    "Usage: rollscribe-genroll [options] FILE.bar\n"
    "       rollscribe-genroll --batch COUNT [--seed N] FOLDER\n"
    "\n"
    "Writes a generated roll FILE.bar and its annotation file FILE.ann, or a batch of COUNT\n"
    "rolls of an archive's usual sizes into FOLDER (roll0000.bar, ...). The same options give\n"
    "the same bytes. Prints the files' sizes and how many events the converter will decode.\n"
    "\n"
    "Options:\n"
    "  --size SIZE             the roll file's size (default 1M); K and M mean 1024 and 1048576\n"
    "  --seed N                the seed (default 1)\n"
    "  --sample-rate N         the scan's sample rate (default 300)\n"
    "  --tempo N               the roll tempo (default 80)\n"
    "  --annotation-size SIZE  pad the annotation file to at least SIZE with further lines\n";

struct Usage : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::uint64_t Number(const std::string& text) {
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    std::string unit(end, text.data() + text.size());
    std::uint64_t scale = unit.empty() ? 1 : unit == "K" ? 1024 : unit == "M" ? 1024 * 1024 : 0;
    if (text.empty() || error != std::errc() || scale == 0 || value > (1ull << 40) / scale)
        throw Usage("not a size or number: '" + text + "'");
    return value * scale;
}

void WriteWhole(const std::string& path, const void* data, std::size_t size) {
    CAtomicFile file;
    file.Create(CString(path));
    file.Write(data, size);
    file.Commit();
}

// Writes the roll and its annotation file; returns it for the counts.
rollgen::GeneratedRoll WriteRoll(const std::string& barPath, const rollgen::RollShape& shape,
                                 std::size_t annotationSize) {
    rollgen::GeneratedRoll roll = rollgen::GenerateRoll(shape);
    if (annotationSize) roll.ann = rollgen::GenerateAnnotations(shape, annotationSize);
    std::size_t dot = barPath.rfind('.');
    std::size_t slash = barPath.rfind('/');
    std::string stem = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                           ? barPath
                           : barPath.substr(0, dot);
    WriteWhole(barPath, roll.bar.data(), roll.bar.size());
    WriteWhole(stem + ".ann", roll.ann.data(), roll.ann.size());
    return roll;
}

int Run(const std::vector<std::string>& args) {
    rollgen::RollShape shape;
    std::size_t annotationSize = 0;
    std::size_t batch = 0;
    std::string target;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) throw Usage("option '" + arg + "' needs a value");
            return args[++i];
        };
        if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--size") {
            shape.size = Number(value());
        } else if (arg == "--seed") {
            shape.seed = Number(value());
        } else if (arg == "--sample-rate") {
            shape.sampleRate = static_cast<std::int32_t>(Number(value()));
        } else if (arg == "--tempo") {
            shape.tempo = static_cast<std::int32_t>(Number(value()));
        } else if (arg == "--annotation-size") {
            annotationSize = Number(value());
        } else if (arg == "--batch") {
            batch = Number(value());
        } else if (!arg.empty() && arg[0] == '-') {
            throw Usage("unknown option '" + arg + "'");
        } else if (target.empty()) {
            target = arg;
        } else {
            throw Usage("more than one file or folder given");
        }
    }
    if (target.empty()) throw Usage("no file or folder given");

    if (batch == 0) {
        rollgen::GeneratedRoll roll = WriteRoll(target, shape, annotationSize);
        std::cout << target << ": " << roll.bar.size() << " bytes, " << roll.events << " events\n";
        return 0;
    }
    if (::mkdir(target.c_str(), 0777) != 0 && errno != EEXIST)
        throw CFileException(target, "cannot create the folder", errno);
    std::size_t bytes = 0, events = 0;
    for (std::size_t i = 0; i < batch; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/roll%04zu.bar", i);
        rollgen::GeneratedRoll roll =
            WriteRoll(target + name, rollgen::BatchRollShape(shape.seed, i), annotationSize);
        bytes += roll.bar.size();
        events += roll.events;
    }
    std::cout << target << ": " << batch << " rolls, " << bytes << " bytes, " << events
              << " events\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
    } catch (const Usage& e) {
        std::cerr << "rollscribe-genroll: " << e.what() << "\n" << kUsage;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "rollscribe-genroll: " << e.what() << "\n";
        return 1;
    }
}
