#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// Up to `count` threads running `work`, beside the caller's own; where the system will not
// start that many, fewer (slower, not wrong). Joined before they are let go.
class Workers
{
public:
    template <class Work> Workers(int count, Work &&work)
    {
        for (int t = 0; t < count; ++t) {
            try {
                pool.emplace_back(work);
            } catch (const std::system_error &) {
                break;
            }
        }
    }
    Workers(const Workers &) = delete;
    Workers &operator=(const Workers &) = delete;
    ~Workers() { join(); }

    bool none() const { return pool.empty(); }
    void join()
    {
        for (std::thread &t : pool)
            if (t.joinable())
                t.join();
    }

private:
    std::vector<std::thread> pool;
};

// Items 0 to count - 1 shared out among up to `threads` threads, the caller's among them, each
// thread with a state of its own from `makeState()`: `item(state, i)` for each. What one of
// them throws (out of memory) stops the others and is thrown again on the caller's thread.
template <class MakeState, class Item>
void shareOut(std::size_t count, int threads, MakeState makeState, Item item)
{
    std::atomic<std::size_t> next{0};
    std::mutex lock;
    std::exception_ptr failure;
    auto work = [&] {
        try {
            auto state = makeState();
            for (std::size_t i; (i = next++) < count;)
                item(state, i);
        } catch (...) {
            std::lock_guard<std::mutex> hold(lock);
            if (!failure)
                failure = std::current_exception();
            next = count;
        }
    };
    Workers pool(std::max(threads, 1) - 1, work);
    work();
    pool.join();
    if (failure)
        std::rethrow_exception(failure);
}
