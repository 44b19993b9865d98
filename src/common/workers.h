#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
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

// Threads kept for many short rounds of work, where starting them for each round would cost
// more than the round: run(count, item) shares items 0 to count - 1 among them and the caller,
// as `item(t, i)` with t the thread's own number (0 for the caller). What one of them throws
// (out of memory) is thrown again on the caller's thread once the round is over.
class Crew
{
public:
    explicit Crew(int threads)
    {
        for (int t = 1; t < threads; ++t) {
            try {
                pool.emplace_back([this, t] { serve(t); });
            } catch (const std::system_error &) {
                break; // fewer threads: slower, not wrong
            }
        }
    }
    Crew(const Crew &) = delete;
    Crew &operator=(const Crew &) = delete;
    ~Crew()
    {
        {
            std::lock_guard<std::mutex> hold(lock);
            closing = true;
        }
        wake.notify_all();
        for (std::thread &t : pool)
            t.join();
    }

    int size() const { return int(pool.size()) + 1; }

    template <class Item> void run(std::size_t count, Item &&item)
    {
        if (pool.empty() || count < 2) { // not worth a wake-up
            for (std::size_t i = 0; i < count; ++i)
                item(0, i);
            return;
        }
        std::function<void(int, std::size_t)> job = item;
        {
            std::lock_guard<std::mutex> hold(lock);
            current = &job;
            items = count;
            next = 0;
            busy = int(pool.size());
            ++round;
        }
        wake.notify_all();
        take(0);
        std::unique_lock<std::mutex> hold(lock);
        done.wait(hold, [this] { return busy == 0; });
        current = nullptr;
        if (failure)
            std::rethrow_exception(std::exchange(failure, nullptr));
    }

private:
    void take(int t)
    {
        try {
            for (std::size_t i; (i = next++) < items;)
                (*current)(t, i);
        } catch (...) {
            std::lock_guard<std::mutex> hold(lock);
            if (!failure)
                failure = std::current_exception();
            next = items;
        }
    }
    void serve(int t)
    {
        unsigned long long seen = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> hold(lock);
                wake.wait(hold, [&] { return closing || round != seen; });
                if (closing)
                    return;
                seen = round;
            }
            take(t);
            {
                std::lock_guard<std::mutex> hold(lock);
                --busy;
            }
            done.notify_one();
        }
    }

    std::vector<std::thread> pool;
    std::mutex lock;
    std::condition_variable wake, done;
    const std::function<void(int, std::size_t)> *current = nullptr;
    std::size_t items = 0;
    std::atomic<std::size_t> next{0};
    int busy = 0;
    unsigned long long round = 0;
    bool closing = false;
    std::exception_ptr failure;
};
