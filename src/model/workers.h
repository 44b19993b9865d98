#pragma once

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
