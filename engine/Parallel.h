#pragma once
// Work shared out over a few threads. Tasks are handed out one at a time
// from an atomic counter, so no task waits for another and nothing is locked.

#include <functional>
#include <stop_token>

namespace quillet {

/// The number of threads to use when `requested` are asked for: one per core
/// for 0 (at least one), otherwise `requested`.
int WorkerCount(int requested);

/// Runs task(index, worker) for every index from 0 to count - 1 on `workers`
/// threads, the calling thread being worker 0; a worker runs one task at a
/// time. No new task starts once `stop` is requested. Returns when every
/// started task has finished; the first exception a task threw is then
/// thrown again here.
void ParallelFor(int count, int workers, const std::function<void(int index, int worker)>& task,
                 std::stop_token stop = {});

/// As ParallelFor, `batch` indices at a time: once a batch is done,
/// then(index) runs on the calling thread for each of its indices in order.
/// A batch cut short by `stop` is not handed to `then`, and no batch starts
/// after it.
void ParallelForInOrder(int count, int workers, int batch,
                        const std::function<void(int index, int worker)>& task,
                        const std::function<void(int index)>& then, std::stop_token stop = {});

} // namespace quillet
