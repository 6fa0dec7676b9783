#include "text/WxText.h"

#include <wx/strconv.h>

#include "platform/TextDecoding.h"

namespace rollscribe {

wxString WxAscii(std::string_view text) {
    return wxString::FromAscii(text.data(), text.size());
}

wxString WxFromChars(std::u32string_view chars) {
    std::wstring wide;
    wide.reserve(chars.size());
    static_assert(sizeof(wchar_t) == 4, "wide characters hold any code point");
    for (char32_t c : chars) wide += static_cast<wchar_t>(c);
    return wxString(wide);
}

wxString WxText(std::string_view bytes) {
    return WxFromChars(DecodeText(bytes));
}

wxString WxPath(const std::string& bytes) {
    wxString path(bytes.c_str(), *wxConvFileName);
    // A name the file-name conversion cannot take is at least shown as well as it can be.
    return path.empty() && !bytes.empty() ? WxText(bytes) : path;
}

std::string PathBytes(const wxString& path) {
    wxCharBuffer buffer = path.fn_str();
    return buffer.data() ? std::string(buffer.data(), buffer.length()) : std::string();
}

}  // namespace rollscribe
