#pragma once

#include <cstddef>

// Heap bytes allocated through operator new and not yet freed, counted by a replacement of
// the global operator new linked into every benchmark program (single-threaded use).
size_t liveHeapBytes();
// The largest liveHeapBytes() since the last resetPeakHeapBytes().
size_t peakHeapBytes();
// Starts a new peak measurement at the current live size.
void resetPeakHeapBytes();
// Calls of operator new since the program started.
size_t heapAllocations();
