#include "picture/FontCaches.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

namespace rollscribe {

void ReleaseFontCaches() noexcept {
    cairo_debug_reset_static_data();
    FcFini();
}

}  // namespace rollscribe
