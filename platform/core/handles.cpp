// Handle values: a kind tag in the upper half of the pointer and a serial number in the lower.
// Win32 reuses handle values; this layer never does, so stale handles fail harmlessly.

#include "core.h"

namespace {
uint32_t lastSerial = 0;
}

uint32_t NewSerial() {
    return ++lastSerial;
}
