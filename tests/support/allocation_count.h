// Counts every allocation the process makes through operator new, so that tests can check
// that a stretch of the program's own (C++) code allocates nothing. Linking a test that
// calls AllocationCount() replaces the global operators.
#pragma once

long AllocationCount(void);
