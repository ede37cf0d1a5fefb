// Handle values: a kind tag in the upper half of the pointer and a serial number in the lower.
// Win32 reuses handle values; this layer does not until its serials come round, so stale handles
// fail harmlessly.

#include "core.h"

namespace {
uint32_t lastSerial = 0;
}

// A DC takes a serial at each paint: a program painting 100 times a second goes through the 29
// bits of a 32-bit handle in about two months, and 0 marks a free record.
uint32_t NewSerial() {
    lastSerial = lastSerial >= MAX_SERIAL ? 1 : lastSerial + 1;
    return lastSerial;
}
