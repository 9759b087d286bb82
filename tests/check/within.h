// A read run on a thread of its own, so that a test can say it hung: one still going after
// five seconds ends the whole test program, since nothing can stop it.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>
#include <utility>

template <typename Read>
auto WithinFiveSeconds(const char *what, size_t row, Read read) -> decltype(read())
{
    std::packaged_task<decltype(read())()> task(std::move(read));
    auto result = task.get_future();
    std::thread thread(std::move(task));
    if (result.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        std::fprintf(stderr, "%s, row %zu: still reading after 5 s\n", what, row);
        std::fflush(stderr);
        std::_Exit(1);
    }
    thread.join();
    return result.get();
}
