// Handle values: a kind tag in the upper half of the pointer and a serial number in the lower.
// Win32 reuses handle values; this layer never does, so stale handles fail harmlessly.

#include "layer_internal.h"

namespace {
uint32_t lastSerial = 0;
}

uint32_t NewSerial() {
    return ++lastSerial;
}

void* MakeHandle(HandleKind kind, uint32_t serial) {
    return reinterpret_cast<void*>((static_cast<uintptr_t>(kind) << 32) | serial);
}

uint32_t HandleSerial(const void* handle, HandleKind kind) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if ((value >> 32) != static_cast<uintptr_t>(kind))
        return 0;
    return static_cast<uint32_t>(value);
}
