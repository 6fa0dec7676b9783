#include "text/FilePatterns.h"

#include <cctype>
#include <string>

#include "text/WxText.h"

namespace rollscribe {

wxString AnyCasePattern(std::string_view extension) {
    std::string pattern = "*";
    for (char c : extension) {
        auto u = static_cast<unsigned char>(c);
        if (std::isalpha(u)) {
            pattern +=
                {'[', static_cast<char>(std::tolower(u)), static_cast<char>(std::toupper(u)), ']'};
        } else {
            pattern += c;
        }
    }
    return WxAscii(pattern);
}

}  // namespace rollscribe
