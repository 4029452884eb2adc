# Sourced first by the shell tests: how a test speaks and ends.
#   . tests/support/say.sh NAME
#   say TEXT...     one line, "NAME: TEXT"
#   skip REASON...  says SKIPPED and exits 77 (CTest reports the test as skipped)
#   fail REASON...  says FAILED and exits 1
SKIP=77
say_name=$1
say() { echo "$say_name: $*"; }
skip() { say "SKIPPED: $*"; exit "$SKIP"; }
fail() { say "FAILED: $*"; exit 1; }
