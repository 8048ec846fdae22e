// The Linux end-to-end tests' fixture and child processes, built into this program too: the
// Windows program's tests run on the same kind of server and read it the same way.
#include "tests/e2e/ChildProcess.cpp"
#include "tests/e2e/EndToEndTest.cpp"
