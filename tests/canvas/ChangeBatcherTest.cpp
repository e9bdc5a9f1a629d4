#include "canvas/ChangeBatcher.h"

#include <gtest/gtest.h>
#include <vector>

namespace quorvane {
namespace {

TEST(ChangeBatcher, HeldChangesGoOutOnceEachInFieldOrderWhenTheOutermostHoldEnds) {
    std::vector<int> sent;
    ChangeBatcher batcher([&](int field) { sent.push_back(field); });
    batcher.changed(4);
    EXPECT_EQ(sent, std::vector<int>({4}));
    sent.clear();
    {
        ChangeBatcher::Hold outer(batcher);
        batcher.changed(31);
        batcher.changed(7);
        {
            ChangeBatcher::Hold inner(batcher);
            batcher.changed(0);
            batcher.changed(7);
        }
        EXPECT_TRUE(sent.empty());
    }
    EXPECT_EQ(sent, std::vector<int>({0, 7, 31}));
}

TEST(ChangeBatcher, WhatAnObserverChangesGoesOutInTheSamePassWithoutReentry) {
    std::vector<int> sent;
    int depth = 0, deepest = 0;
    ChangeBatcher* self = nullptr;
    ChangeBatcher batcher([&](int field) {
        ++depth;
        deepest = std::max(deepest, depth);
        sent.push_back(field);
        if (field == 3) {
            // An observer that writes back, once under its own hold.
            self->changed(1);
            ChangeBatcher::Hold hold(*self);
            self->changed(5);
            self->changed(3 + 6);
        }
        --depth;
    });
    self = &batcher;
    {
        ChangeBatcher::Hold hold(batcher);
        batcher.changed(3);
        batcher.changed(2);
    }
    EXPECT_EQ(sent, std::vector<int>({2, 3, 1, 5, 9}));
    EXPECT_EQ(deepest, 1);
}

} // namespace
} // namespace quorvane
