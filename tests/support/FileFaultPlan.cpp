#include "support/FileFaultPlan.h"

#include <stdexcept>
#include <string_view>

using namespace rollscribe;

namespace testing_support {

namespace {
FileFaultPlan* g_active = nullptr;
}

FileFaultPlan::FileFaultPlan(std::vector<Rule> rules) {
    if (g_active) throw std::logic_error("another file fault plan is active");
    for (auto& rule : rules) m_states.push_back({std::move(rule)});
    g_active = this;
    SetFileFaultHook(&FileFaultPlan::Hook);
}

FileFaultPlan::~FileFaultPlan() {
    SetFileFaultHook(nullptr);
    g_active = nullptr;
}

int FileFaultPlan::Failures(std::size_t rule) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_states.at(rule).failed;
}

int FileFaultPlan::Hook(FileOperation operation, const char* path, std::size_t* count) {
    return g_active ? g_active->Decide(operation, path, count) : 0;
}

int FileFaultPlan::Decide(FileOperation operation, const char* path, std::size_t* count) {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (State& state : m_states) {
        const Rule& rule = state.rule;
        if (rule.operation != operation || !std::string_view(path).ends_with(rule.pathEnd))
            continue;
        ++state.seen;
        if (rule.occurrence != 0 && state.seen != rule.occurrence) continue;
        if (rule.before) rule.before();
        if (count && rule.maxBytes && *count > rule.maxBytes) *count = rule.maxBytes;
        if (rule.error != 0) {
            ++state.failed;
            return rule.error;
        }
    }
    return 0;
}

}  // namespace testing_support
