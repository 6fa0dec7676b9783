// Built into the desktop program only under the sanitizers: GTK and the libraries beneath it keep
// memory until the process ends, by design, which the leak checker would report at every exit.
// Leaks of the program's own code are still reported.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libgtk-3\n"
           "leak:libgdk-3\n"
           "leak:libglib-2.0\n"
           "leak:libgobject-2.0\n"
           "leak:libfontconfig\n"
           "leak:libpango\n"
           "leak:libcairo\n"
           "leak:libgio-2.0\n"
           "leak:libharfbuzz\n"
           "leak:libX11\n"
           "leak:libatk\n"
           "leak:libdbus\n"
           "leak:libEGL\n"
           "leak:libGLX\n"
           "leak:libGL\n"
           "leak:swrast_dri\n"
           "leak:libgdk_pixbuf\n"
           "leak:libpixman\n"
           "leak:libfreetype\n";
}

// No list of the suppressions used at every exit.
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}
