// What a save or a load reported about its progress, in order, for tests
// of the save slots (which draw no screen of their own).
#pragma once

#include <vector>

#include "persist/save_slots.h"

namespace delver::testing {

struct SlotProgressLog {
    std::vector<SlotProgress> steps;

    SlotProgressReport Reporter() {
        return [this](const SlotProgress& p) { steps.push_back(p); };
    }
    int Count(SlotProgress::Step step) const {
        int n = 0;
        for (const SlotProgress& p : steps) n += p.step == step ? 1 : 0;
        return n;
    }
    // Parts announced: one progress screen each.
    int Parts() const { return Count(SlotProgress::Step::BeforePart); }
};

}  // namespace delver::testing
