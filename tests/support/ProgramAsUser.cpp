#include "support/ProgramAsUser.h"

#include <unistd.h>

namespace fs = std::filesystem;

namespace testing_support {

ProgramAsUser::ProgramAsUser(const fs::path& program) : m_program(program) {
    if (::geteuid() != 0) return;
    m_prefix = "setpriv --reuid=nobody --regid=nogroup --clear-groups ";
    m_copy = std::make_unique<TempDir>();
    const fs::path base = m_copy->Path();
    const fs::path companion = program.parent_path() / "../libexec/rollscribe" / program.filename();
    fs::create_directories(base / "bin");
    if (fs::exists(companion)) {
        fs::create_directories(base / "libexec/rollscribe");
        fs::copy_file(companion, base / "libexec/rollscribe" / program.filename());
    }
    m_program = base / "bin" / program.filename();
    fs::copy_file(program, m_program);
    // Every folder on the way may be entered and the programs run, whatever the umask.
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(base))
        fs::permissions(entry.path(), fs::perms(0755));
    fs::permissions(base, fs::perms(0755));
}

}  // namespace testing_support
