// Options of the sanitizer runtimes for every test program (linked into each
// as an object, so that the runtimes find these at start-up): leaks inside
// system libraries that the program cannot free are not reported, and
// undefined behaviour stops the test.

// The runtimes look these functions up by their reserved names.
// NOLINTBEGIN(bugprone-reserved-identifier)
extern "C" {
const char* __asan_default_options() { return "detect_leaks=1:abort_on_error=0"; }
const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
// A race report fails the test (the runtime's exit code at the end) with both
// stacks of a lock-order inversion.
const char* __tsan_default_options() { return "second_deadlock_stack=1:history_size=4"; }
// libsrt (loaded with FFmpeg's libraries) keeps an allocation of its own
// set-up that unloading the encoder library leaves behind; libx265 keeps one
// block of its own after the encoder is closed.
const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libdbus-1.so\nleak:libsrt-gnutls.so\nleak:libx265.so\n";
}
}
// NOLINTEND(bugprone-reserved-identifier)
