// The sanitizer builds of the window tests: Qt WebEngine frees some objects through a base class
// of another size and keeps allocations to the end, as do fontconfig and libdbus; none of it is
// this program's. Options given in the environment still take precedence.
extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6WebEngineCore.so\nleak:libfontconfig.so\nleak:libdbus-1.so\n";
}
