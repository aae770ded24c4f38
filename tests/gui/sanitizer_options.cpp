// What the sanitizer builds of the window tests leave to Qt WebEngine, the font library and
// libdbus. The embedded browser code frees some of its objects through a base class of another
// size and keeps some allocations until the process ends, as does fontconfig once the web engine
// has asked it for fonts, and libdbus for its session bus connections (the notification tests);
// none of it is this program's to mend, and each would stop every sanitizer run of the tests that
// meet it. The defaults apply only to a sanitizer build; options given in the environment still
// take precedence.

extern "C" const char* __asan_default_options() {
    return "new_delete_type_mismatch=0";
}

extern "C" const char* __lsan_default_suppressions() {
    return "leak:libQt6WebEngineCore.so\nleak:libfontconfig.so\nleak:libdbus-1.so\n";
}
