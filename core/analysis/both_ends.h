// Work on items 0..count-1 shared between the calling thread and a helper
// thread: the caller takes items upwards from the first, the helper downwards
// from the last, a few at a time from one shared count, until they meet. The
// faster side does more; the caller never waits for the helper to start.
//
//   const analysis::BothEnds split = analysis::shareBothEnds(
//       count, 8,
//       [&](int i) { return work(i); },        // the caller's item: false stops the run
//       [&](int i) { return quietWork(i); });  // the helper's: false gives the rest back
//   if (split.failedAt >= 0) ...               // the caller's item that failed
//   for (int i = split.callerEnd; i < split.helperFrom; ++i) redo(i); // given back
//
// The caller's items are 0..callerEnd-1 and were worked in order (up to a
// failure, which ends the caller's taking and makes the helper stop at its
// next item). The helper works its items from the top down; when `helper`
// returns false for item i, it gives i and the rest of its share back:
// helperFrom is then i + 1 (count when it did none). The return comes after
// every item the helper took is done or given back, so all its writes are
// seen by the caller. The helper thread is detached and holds only the shared
// count: one that starts after every item is taken ends without calling
// `helper`, so the functions may refer to the caller's frame. If no thread
// can be started the caller takes every item.
#pragma once

#include <algorithm>
#include <atomic>
#include <memory>
#include <pthread.h>
#include <sched.h>
#include <thread>
#include <type_traits>

namespace tanvex::analysis {

struct BothEnds {
    int callerEnd = 0;  // items [0, callerEnd) are the caller's
    int helperFrom = 0; // items [helperFrom, count) were done by the helper
    int failedAt = -1;  // the caller's item whose work returned false
};

namespace detail {
// The count each side takes from, the helper's progress and the caller's
// stop each on a cache line of its own: a line written by one processor
// and read by the other moves between them at every access.
struct SharedCount {
    explicit SharedCount(int n) : count(n), helperFrom(n) {}
    const int count;
    alignas(64) std::atomic<int> taken{0};     // items taken by either side (may pass count)
    alignas(64) std::atomic<int> settled{0};   // the helper's items done or given back
    int helperFrom;                            // written by the helper before it settles
    alignas(64) std::atomic<bool> stop{false}; // the caller failed: the helper gives the rest back
};

// Starts fn on a detached thread placed on the processors other than the one
// the caller is on (when it may use another): a new thread is otherwise
// often put beside its creator, where the two take turns instead of running
// at once. False when no thread could be started.
template <class F> bool startElsewhere(F&& fn) {
    using Fn = std::decay_t<F>;
    auto owned = std::make_unique<Fn>(std::forward<F>(fn));
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) return false;
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        const int here = sched_getcpu();
        if (here >= 0 && here < CPU_SETSIZE && CPU_ISSET(here, &set) && CPU_COUNT(&set) > 1) {
            CPU_CLR(here, &set);
            pthread_attr_setaffinity_np(&attr, sizeof set, &set);
        }
    }
    pthread_t thread;
    const int r = pthread_create(
        &thread, &attr,
        [](void* p) -> void* {
            const std::unique_ptr<Fn> f(static_cast<Fn*>(p));
            (*f)();
            return nullptr;
        },
        owned.get());
    pthread_attr_destroy(&attr);
    if (r != 0) return false;
    owned.release(); // the thread owns it now
    return true;
}
} // namespace detail

// Pass startHelper = false to work every item on the calling thread.
template <class Caller, class Helper>
BothEnds shareBothEnds(int count, int chunk, Caller&& caller, Helper helper,
                       bool startHelper = true) {
    auto shared = std::make_shared<detail::SharedCount>(count);
    if (startHelper) {
        auto run = [shared, chunk, helper]() mutable {
            detail::SharedCount& s = *shared;
            int next = s.count - 1; // the next item downwards
            int from = s.count;     // the lowest item done
            bool going = true;
            while (going && !s.stop.load(std::memory_order_relaxed)) {
                const int before = s.taken.fetch_add(chunk, std::memory_order_relaxed);
                if (before >= s.count) break;
                const int n = std::min(chunk, s.count - before);
                for (int i = next; i > next - n && going; --i) {
                    going = !s.stop.load(std::memory_order_relaxed) && helper(i);
                    if (going) from = i;
                }
                next -= n;
                s.helperFrom = from;
                s.settled.fetch_add(n, std::memory_order_release);
            }
        };
        detail::startElsewhere(std::move(run));
    }
    BothEnds result;
    int i = 0;
    while (result.failedAt < 0) {
        const int before = shared->taken.fetch_add(chunk, std::memory_order_relaxed);
        if (before >= count) break;
        result.callerEnd += std::min(chunk, count - before);
        for (; i < result.callerEnd; ++i)
            if (!caller(i)) {
                result.failedAt = i;
                shared->stop.store(true, std::memory_order_relaxed);
                break;
            }
    }
    // Closing the count leaves the helper what it has taken; wait until it
    // has done or given back all of that (at most a few items: yielding,
    // should the helper wait for this processor).
    const int theirs = std::min(shared->taken.exchange(count), count) - result.callerEnd;
    while (shared->settled.load(std::memory_order_acquire) < theirs) std::this_thread::yield();
    result.helperFrom = std::max(shared->helperFrom, result.callerEnd);
    return result;
}

} // namespace tanvex::analysis
