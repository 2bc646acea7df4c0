// Work shared from both ends between the calling thread and a helper thread:
// every item is worked exactly once, by the side the split names, in that
// side's order; a helper that gives an item back and a caller that fails.
#include "analysis/both_ends.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <pthread.h>
#include <sched.h>
#include <thread>
#include <vector>

using namespace tanvex::analysis;

namespace {

constexpr int kNone = 0;
constexpr int kCaller = 1;
constexpr int kHelper = 2;

struct Record {
    std::vector<int> by;          // who worked item i
    std::vector<int> callerOrder; // the caller's items in the order worked
    std::vector<int> helperOrder; // the helper's
    std::atomic<int> helperCalls{0};
    explicit Record(int count) : by(static_cast<size_t>(count), kNone) {}
};

} // namespace

TEST(BothEnds, EveryItemOnceCallerUpwardsHelperDownwards) {
    for (int count : {0, 1, 7, 8, 9, 200, 1000})
        for (int chunk : {1, 3, 8, 64})
            for (bool helper : {true, false})
                for (int rep = 0; rep < 5; ++rep) {
                    // The functions refer to this frame only: a helper thread
                    // that starts after the return must not call them.
                    Record r(count);
                    const BothEnds split = shareBothEnds(
                        count, chunk,
                        [&](int i) {
                            ++r.by[static_cast<size_t>(i)];
                            r.callerOrder.push_back(i);
                            return true;
                        },
                        [&](int i) {
                            r.by[static_cast<size_t>(i)] += kHelper;
                            r.helperOrder.push_back(i);
                            return true;
                        },
                        helper);
                    ASSERT_EQ(split.failedAt, -1);
                    ASSERT_EQ(split.callerEnd, split.helperFrom) << count << " " << chunk;
                    ASSERT_LE(split.callerEnd, count);
                    if (!helper) {
                        EXPECT_EQ(split.callerEnd, count);
                    }
                    for (int i = 0; i < count; ++i)
                        ASSERT_EQ(r.by[static_cast<size_t>(i)],
                                  i < split.callerEnd ? kCaller : kHelper)
                            << count << " " << chunk << " item " << i;
                    for (size_t j = 0; j < r.callerOrder.size(); ++j)
                        ASSERT_EQ(r.callerOrder[j], static_cast<int>(j));
                    for (size_t j = 0; j < r.helperOrder.size(); ++j)
                        ASSERT_EQ(r.helperOrder[j], count - 1 - static_cast<int>(j));
                }
}

TEST(BothEnds, HelperGivesTheRestOfItsShareBack) {
    // The helper refuses item `refused`: that item and whatever it took
    // below it come back between callerEnd and helperFrom; the items above
    // stand as the helper's, the caller's below callerEnd as its own.
    const int count = 400;
    for (int refused : {399, 390, 250, 120, 3})
        for (int rep = 0; rep < 20; ++rep) {
            Record r(count);
            const BothEnds split = shareBothEnds(
                count, 8,
                [&](int i) {
                    ++r.by[static_cast<size_t>(i)];
                    return true;
                },
                [&](int i) {
                    if (i == refused) return false;
                    r.by[static_cast<size_t>(i)] += kHelper;
                    return true;
                });
            ASSERT_EQ(split.failedAt, -1);
            ASSERT_LE(split.callerEnd, split.helperFrom);
            ASSERT_LE(split.helperFrom, count);
            for (int i = 0; i < count; ++i) {
                const int expected = i < split.callerEnd    ? kCaller
                                     : i < split.helperFrom ? kNone
                                                            : kHelper;
                ASSERT_EQ(r.by[static_cast<size_t>(i)], expected) << refused << " item " << i;
            }
            // Given back only when the helper reached the refused item.
            if (split.helperFrom > split.callerEnd) {
                EXPECT_EQ(split.helperFrom, refused + 1);
            }
        }
}

TEST(BothEnds, CallerFailureStopsBothSides) {
    const int count = 1000;
    for (int failing : {0, 5, 300})
        for (int rep = 0; rep < 20; ++rep) {
            Record r(count);
            const BothEnds split = shareBothEnds(
                count, 4,
                [&](int i) {
                    ++r.by[static_cast<size_t>(i)];
                    return i != failing;
                },
                [&](int i) {
                    ++r.helperCalls;
                    r.by[static_cast<size_t>(i)] += kHelper;
                    return true;
                });
            if (split.failedAt < 0) {
                // The helper got to the failing item first: an ordinary run.
                ASSERT_LE(split.callerEnd, failing);
                ASSERT_EQ(split.callerEnd, split.helperFrom);
                for (int i = 0; i < count; ++i)
                    ASSERT_EQ(r.by[static_cast<size_t>(i)],
                              i < split.callerEnd ? kCaller : kHelper);
                continue;
            }
            ASSERT_EQ(split.failedAt, failing);
            for (int i = 0; i < split.callerEnd; ++i)
                ASSERT_EQ(r.by[static_cast<size_t>(i)], i <= failing ? kCaller : kNone) << i;
            for (int i = split.callerEnd; i < count; ++i)
                ASSERT_NE(r.by[static_cast<size_t>(i)], kCaller) << i;
            // Nothing is worked after the return.
            const int calls = r.helperCalls.load();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            EXPECT_EQ(r.helperCalls.load(), calls);
        }
}

// The helper is placed on the processors other than the caller's: started
// where its creator runs, the two would take turns on one processor.
TEST(BothEnds, HelperAvoidsTheCallersProcessor) {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    ASSERT_EQ(sched_getaffinity(0, sizeof allowed, &allowed), 0);
    const int available = CPU_COUNT(&allowed);
    std::atomic<int> helperProcessors{-1};
    std::atomic<bool> done{false};
    detail::startElsewhere([&] {
        cpu_set_t mine;
        CPU_ZERO(&mine);
        if (pthread_getaffinity_np(pthread_self(), sizeof mine, &mine) == 0)
            helperProcessors = CPU_COUNT(&mine);
        done = true;
    });
    for (int k = 0; k < 5000 && !done; ++k)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(done);
    EXPECT_EQ(helperProcessors.load(), available > 1 ? available - 1 : available);
}
