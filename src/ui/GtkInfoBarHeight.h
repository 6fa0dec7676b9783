#pragma once

class wxInfoBar;

namespace rollscribe {

// The height an info bar as wide as width needs for its text's lines: the toolkit's bar asks
// for the height of its text at the text's natural width, however narrow it is.
int InfoBarHeight(wxInfoBar& bar, int width);

}  // namespace rollscribe
