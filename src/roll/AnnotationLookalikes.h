#pragma once

#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace rollscribe {

// Files beside a roll that look like its annotation file but are not read for it: TITLE.ann in
// another letter case (ROLL.ANN beside ROLL.BAR, whose annotation file is ROLL.ann), or named
// after the roll's whole stem (waltz.op1.ann beside waltz.op1.bar, whose annotation file is
// waltz.ann). A folder is listed once, when a roll in it first lacks its annotation file, and
// its listing kept for the rest of the run; one object serves all the threads of a run.
class AnnotationLookalikes {
  public:
    // The name of the first such file (in byte order) beside the roll at rollPath (as named),
    // whose annotation file is named annotationName; "" when there is none or the folder
    // cannot be listed.
    std::string Find(const std::string& rollPath, const std::string& annotationName);

  private:
    std::mutex m_mutex;
    // Per folder as named: the names ending in ".ann" in any letter case, sorted.
    std::map<std::string, std::vector<std::string>> m_listings;
};

}  // namespace rollscribe
