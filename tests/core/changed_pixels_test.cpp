// What a paint hands the host to show: every changed pixel, each once.

#include "../../platform/core/core.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {
bool Inside(int x, int y, const RECT& r) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}
} // namespace

TEST(ChangedPixels, CoverEveryAddedPixelWithBoxesThatNeverOverlap) {
    const int SIDE = 40;
    std::mt19937 random(7);
    for (int round = 0; round < 200; round++) {
        ChangedPixels changed = {};
        std::vector<RECT> added;
        int adding = 1 + static_cast<int>(random() % 14); // past the limit too
        for (int i = 0; i < adding; i++) {
            int left = random() % SIDE, top = random() % SIDE;
            RECT box = {left, top, left + 1 + static_cast<int>(random() % 12),
                        top + 1 + static_cast<int>(random() % 12)};
            added.push_back(box);
            AddChangedPixels(&changed, box);
        }
        ASSERT_LE(changed.count, MAX_CHANGED_BOXES);
        for (int y = 0; y < SIDE + 12; y++) {
            for (int x = 0; x < SIDE + 12; x++) {
                int holding = 0;
                for (int i = 0; i < changed.count; i++)
                    holding += Inside(x, y, changed.boxes[i]);
                bool wanted = false;
                for (const RECT& box : added)
                    wanted = wanted || Inside(x, y, box);
                ASSERT_LE(holding, 1) << "round " << round << " at " << x << ", " << y;
                ASSERT_TRUE(holding == 1 || !wanted)
                    << "round " << round << " at " << x << ", " << y;
            }
        }
    }
}
