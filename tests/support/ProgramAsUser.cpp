#include "support/ProgramAsUser.h"

#include <unistd.h>

namespace fs = std::filesystem;

namespace testing_support {

fs::path CopyProgram(const fs::path& program, const fs::path& folder) {
    const fs::path module = program.parent_path() / OUTPUTS_MODULE_FROM_BIN;
    fs::create_directories(folder / "bin");
    if (fs::exists(module)) {
        const fs::path copy = (folder / "bin" / OUTPUTS_MODULE_FROM_BIN).lexically_normal();
        fs::create_directories(copy.parent_path());
        fs::copy_file(module, copy);
    }
    fs::copy_file(program, folder / "bin" / program.filename());
    return folder / "bin" / program.filename();
}

ProgramAsUser::ProgramAsUser(const fs::path& program) : m_program(program) {
    if (::geteuid() != 0) return;
    m_prefix = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
    m_copy = std::make_unique<TempDir>();
    const fs::path base = m_copy->Path();
    m_program = CopyProgram(program, base);
    // Every folder on the way may be entered and the programs run, whatever the umask.
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(base))
        fs::permissions(entry.path(), fs::perms(0755));
    fs::permissions(base, fs::perms(0755));
}

}  // namespace testing_support
