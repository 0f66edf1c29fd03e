#include "engine/Parallel.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace quillet {

int WorkerCount(int requested)
{
    if (requested > 0)
        return requested;
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

void ParallelFor(int count, int workers, const std::function<void(int index, int worker)>& task,
                 std::stop_token stop)
{
    if (count <= 0)
        return;
    workers = std::clamp(workers, 1, count);
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    // Each worker keeps its own error slot, so no two threads write the same one.
    std::vector<std::exception_ptr> errors(static_cast<std::size_t>(workers));
    auto work = [&](int worker) {
        try {
            while (!stop.stop_requested() && !failed.load(std::memory_order_relaxed)) {
                const int index = next.fetch_add(1, std::memory_order_relaxed);
                if (index >= count)
                    return;
                task(index, worker);
            }
        } catch (...) {
            errors[static_cast<std::size_t>(worker)] = std::current_exception();
            failed.store(true, std::memory_order_relaxed);
        }
    };
    {
        std::vector<std::jthread> threads;
        threads.reserve(static_cast<std::size_t>(workers - 1));
        for (int w = 1; w < workers; ++w)
            threads.emplace_back(work, w);
        work(0);
    } // the threads are joined here
    for (const std::exception_ptr& e : errors)
        if (e)
            std::rethrow_exception(e);
}

void ParallelForInOrder(int count, int workers, int batch,
                        const std::function<void(int index, int worker)>& task,
                        const std::function<void(int index)>& then, std::stop_token stop)
{
    batch = std::max(batch, 1);
    for (int first = 0; first < count && !stop.stop_requested(); first += batch) {
        const int size = std::min(batch, count - first);
        ParallelFor(
            size, workers, [&](int index, int worker) { task(first + index, worker); }, stop);
        if (stop.stop_requested())
            return;
        for (int index = first; index < first + size; ++index)
            then(index);
    }
}

} // namespace quillet
