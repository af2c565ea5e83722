// PLACEHOLDER until the stop sequence lands: remove this file when implementing it.
#include "quiesce/stop_sequence.h"
void StopSuite(CEnvironment&) {}
