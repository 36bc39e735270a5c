// SPDX-License-Identifier: MIT
// Linked into every executable of a sanitized build. Fontconfig keeps its pattern caches,
// libdbus its session connection (opened by Qt for a message box), Qt's Wayland plugin the
// compositor's globals it bound (libwayland has no frame pointers, so its allocations cannot be
// told apart by caller), and glibc the search path of a locale loaded from LOCPATH,
// for the life of the process
// and free them in no exit path, so LeakSanitizer reports them at random depending on what the
// run touched. Only these system libraries are suppressed, never our own code.

extern "C" const char* __lsan_default_suppressions();

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n"
         "leak:libwayland-client.so\n"
         "leak:argz_add_sep\n";
}

extern "C" const char* __lsan_default_options();

// The programs' stderr is checked by the end-to-end tests; keep the suppression table out of it.
extern "C" const char* __lsan_default_options() {
  return "print_suppressions=0";
}

extern "C" const char* __asan_default_options();

// Qt unloads its image plugins at exit; with glibc 2.36 the dynamic TLS they leave behind sends
// LeakSanitizer's thread scan to a bogus address ("Tracer caught signal 11"). Without tracking
// __tls_get_addr it skips dynamic TLS, where our code keeps no pointers.
extern "C" const char* __asan_default_options() {
  return "intercept_tls_get_addr=0";
}
