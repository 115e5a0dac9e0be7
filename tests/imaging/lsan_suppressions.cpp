// fontconfig keeps its configuration and language tables for the life of the
// process; the test binaries say so themselves, so a leak report stays
// meaningful however they are started.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libQt6Core\nleak:libQt6Gui\nleak:libQt6Widgets\nleak:libglib-2.0\n";
}
