// fontconfig keeps one block of its configuration set-up (a match for a
// charset request) to the end of the process; the library ships without
// symbols, so only its name can match. The test binaries say so themselves,
// so a leak report stays meaningful however they are started. Nothing else
// is suppressed: a leaked bitmap, glyph or Qt object fails the run.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
