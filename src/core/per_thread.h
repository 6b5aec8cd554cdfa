// The library's per-thread state, one slot each. See platform/thread_data.h for how it is kept
// and when it goes.
#pragma once

#include <memory>

#include "platform/thread_data.h"

enum class ThreadSlot : int { kXmlWriter, kLibraryIdentity, kLogText, kFileRoom };

// This thread's T in its slot, made empty at first use.
template <class T, ThreadSlot Slot>
T& PerThread() {
    static_assert(static_cast<int>(Slot) < platform::kThreadDataSlots, "one slot per kind of state");
    struct Held final : platform::ThreadData {
        T value;
    };
    constexpr int slot = static_cast<int>(Slot);
    if (platform::ThreadData* held = platform::FindThreadData(slot)) return static_cast<Held*>(held)->value;
    return static_cast<Held&>(platform::KeepThreadData(slot, std::make_unique<Held>())).value;
}
