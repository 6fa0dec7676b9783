#pragma once

namespace rollscribe {

// Releases the font caches that Cairo and fontconfig keep for the whole process once a text has
// been drawn, so that a leak checker at the program's end finds none of them. For the end of a
// program (or of a test run), when nothing is drawn any more; a later drawing loads them again.
void ReleaseFontCaches() noexcept;

}  // namespace rollscribe
