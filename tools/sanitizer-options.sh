# Sanitizer settings for run-sanitized (sourced).  Every report fails the run.

# AddressSanitizer:
#  halt_on_error=1        stop at the first error, so the run fails with it.
#  abort_on_error=0       exit with exitcode instead of dumping core.
#  detect_leaks=0         no leak check at the exit of the suite's processes:
#                         the interpreter, wx and GTK leave thousands of
#                         blocks unfreed at exit, and every allocation is made
#                         below the interpreter's frames, so a suppression
#                         broad enough to silence them (any frame in python3,
#                         libgtk, libglib, libwx) would silence the module's
#                         own leaks as well.  The separate leak pass below
#                         checks leaks instead, keeping only the reports whose
#                         allocation went through the module.
#  detect_stack_use_after_return=1, check_initialization_order=1,
#  strict_init_order=1    the checks that are off by default.
#  detect_odr_violation=0 wx and GTK link some C++ symbols twice on purpose.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=0:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:detect_odr_violation=0"

# UndefinedBehaviorSanitizer: print where, and stop, at the first report.
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# The leak pass (tests/test_leaks.py once more, with leak checking on):
#  PYTHONMALLOC=malloc    every Python object from malloc, so that LeakSanitizer
#                         sees each object and the references held in it
#                         (the interpreter's own arenas are invisible to it);
#  exitcode=0, log_path   the leaks are written to files and sorted afterwards
#                         by tools/sanitizer-leaks.py instead of failing every
#                         child process at exit;
#  fast_unwind_on_malloc=0, malloc_context_size=40
#                         full allocation stacks: the interpreter has no frame
#                         pointers, so the fast unwinder would stop before it
#                         reached the module's frames.
KVT_LEAK_ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:detect_odr_violation=0:fast_unwind_on_malloc=0:malloc_context_size=40"
KVT_LEAK_LSAN_OPTIONS="exitcode=0:report_objects=0:max_leaks=0"

# The suite's long checks (more calls, more dialogs, bigger files).
export KVT_LONG_TESTS=1
# Tells the tests that memory sizes mean nothing here (freed memory waits in
# AddressSanitizer's quarantine).
export KVT_SANITIZED=1
