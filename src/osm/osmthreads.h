#pragma once

// The conversion's work shared out among threads, and memory given back as soon as it is done
// with.

#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace osmnet::detail {

// Gives a vector's memory back (`v = {}` keeps it: that assigns an empty list).
template <typename T> void release(std::vector<T> &v)
{
    std::vector<T>().swap(v);
}

// Runs work() on `threads` threads, the caller's among them (fewer where the system gives no
// more), and waits for all; the first exception one throws is thrown here, once `stop()` has
// told the others to end.
template <typename Work, typename Stop> void onThreads(int threads, Work work, Stop stop)
{
    std::mutex lock;
    std::exception_ptr failure;
    const auto run = [&] {
        try {
            work();
        } catch (...) {
            const std::lock_guard<std::mutex> hold(lock);
            if (!failure)
                failure = std::current_exception();
            stop();
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) {
        try {
            pool.emplace_back(run);
        } catch (const std::system_error &) {
            break;
        }
    }
    run();
    for (std::thread &t : pool)
        t.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace osmnet::detail
