#include "session/WarningReporter.h"

// Out of line so that the vtable is emitted once, here.
WarningReporter::~WarningReporter() = default;
