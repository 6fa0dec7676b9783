#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/FileFaults.h"

namespace testing_support {

// While it lives, makes chosen file operations fail (through the platform's fault hook).
// Only one plan may be active at a time.
class FileFaultPlan {
  public:
    struct Rule {
        rollscribe::FileOperation operation;
        std::string pathEnd;       // applies to paths ending with this ("" for every path)
        int error = 0;             // the errno to fail with; 0 lets the operation run
        int occurrence = 0;        // which matching call fails, counted from 1; 0 for every one
        std::size_t maxBytes = 0;  // read and write: at most this many bytes a call (0: no cap)
        std::function<void()> before = {};  // run when the rule applies, before it decides
    };

    explicit FileFaultPlan(std::vector<Rule> rules);
    ~FileFaultPlan();
    FileFaultPlan(const FileFaultPlan&) = delete;
    FileFaultPlan& operator=(const FileFaultPlan&) = delete;

    // How many times each rule has failed an operation.
    int Failures(std::size_t rule) const;

  private:
    static int Hook(rollscribe::FileOperation operation, const char* path, std::size_t* count);
    int Decide(rollscribe::FileOperation operation, const char* path, std::size_t* count);

    struct State {
        Rule rule;
        int seen = 0;
        int failed = 0;
    };
    std::vector<State> m_states;
    mutable std::mutex m_mutex;
};

}  // namespace testing_support
