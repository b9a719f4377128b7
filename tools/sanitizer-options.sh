# Sanitizer settings for run-sanitized (sourced).  Every report fails the run.

# AddressSanitizer:
#  halt_on_error=1        stop at the first error, so the run fails with it.
#  abort_on_error=0       exit with exitcode instead of dumping core.
#  detect_leaks=0         LeakSanitizer is off.  Without help it reports
#                         thousands of blocks that the interpreter, wx, GTK,
#                         fontconfig and pango keep until exit, every one
#                         allocated below the interpreter's frames, so no
#                         suppression can tell them from the module's own
#                         (one broad enough to silence python3 silences
#                         every stack).  With PYTHONMALLOC=malloc it does not
#                         report a deliberately leaked Python object at all
#                         (tried: a list given an extra reference and
#                         dropped), so it cannot find the module's likely
#                         leaks, lost references.  tests/test_leaks.py finds
#                         those instead, from the interpreter's count of heap
#                         blocks and live objects, and runs here too.
#  detect_stack_use_after_return=1, check_initialization_order=1,
#  strict_init_order=1    the checks that are off by default.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=0:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"

# UndefinedBehaviorSanitizer: print where, and stop, at the first report.
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# The suite's long checks (more calls, more dialogs, bigger files).
export KVT_LONG_TESTS=1
# Tells the tests that memory sizes mean nothing here (freed memory waits in
# AddressSanitizer's quarantine).
export KVT_SANITIZED=1
