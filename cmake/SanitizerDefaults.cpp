// SPDX-License-Identifier: MIT
// Linked into every executable of a sanitized build. Fontconfig keeps its pattern caches for the
// life of the process and frees them in no exit path, so LeakSanitizer reports them at random
// depending on which fonts the first text layout pulled in; our own code is never suppressed.

extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
