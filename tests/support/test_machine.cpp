// (The fixture is header-only; this unit keeps the support library non-empty.)
#include "tests/support/test_machine.h"
