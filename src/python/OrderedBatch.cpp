#include "python/OrderedBatch.h"

#include "report/Examine.h"

#include <algorithm>

namespace pellvane::python {

// How many results each worker may have ready ahead of the reader.
constexpr size_t kLookaheadPerWorker = 4;

cOrderedBatch::cOrderedBatch(std::vector<std::string> paths, size_t jobs)
    : paths_(std::move(paths)), results_(paths_.size()), failures_(paths_.size()) {
    const size_t workerCount = std::clamp<size_t>(jobs, 1, std::max<size_t>(paths_.size(), 1));
    window_ = workerCount * kLookaheadPerWorker;
    for (size_t w = 0; w < workerCount; ++w)
        workers_.emplace_back([this] { Work(); });
}

cOrderedBatch::~cOrderedBatch() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    roomReady_.notify_all();
}

std::optional<size_t> cOrderedBatch::TakeFile() {
    std::unique_lock lock(mutex_);
    roomReady_.wait(lock, [&] { return stopping_ || handedOut_ < read_ + window_; });
    if (stopping_ || handedOut_ >= paths_.size()) return std::nullopt;
    return handedOut_++;
}

void cOrderedBatch::Work() {
    report::cExaminer examiner;
    while (const std::optional<size_t> index = TakeFile()) {
        nlohmann::json object;
        std::exception_ptr failure;
        try {
            object = examiner.ExamineJson(paths_[*index]);
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard lock(mutex_);
        results_[*index] = std::move(object);
        failures_[*index] = failure;
        resultReady_.notify_all();
    }
}

std::optional<nlohmann::json> cOrderedBatch::Next() {
    std::unique_lock lock(mutex_);
    if (read_ >= paths_.size()) return std::nullopt;
    resultReady_.wait(lock, [&] { return results_[read_].has_value(); });
    const size_t index = read_++;
    std::optional<nlohmann::json> object = std::move(results_[index]);
    results_[index].reset();
    const std::exception_ptr failure = failures_[index];
    lock.unlock();
    roomReady_.notify_all();
    if (failure) std::rethrow_exception(failure);
    return object;
}

} // namespace pellvane::python
