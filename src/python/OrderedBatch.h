#pragma once
// Many files examined on threads of their own, their JSON objects handed out in input order.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace pellvane::python {

class cOrderedBatch {
  public:
    // Starts `jobs` workers at once. They run at most a few files ahead of the reader, so that
    // a slow reader does not make the batch hold every result at the same time.
    cOrderedBatch(std::vector<std::string> paths, size_t jobs);
    // Stops the workers after the files they are examining.
    ~cOrderedBatch();
    cOrderedBatch(const cOrderedBatch&) = delete;
    cOrderedBatch& operator=(const cOrderedBatch&) = delete;

    // The next file's object, waiting for it; nothing after the last file. Rethrows what a
    // worker could not handle (only a lack of memory is expected there).
    std::optional<nlohmann::json> Next();

  private:
    void Work();
    std::optional<size_t> TakeFile();

    std::vector<std::string> paths_;
    std::vector<std::optional<nlohmann::json>> results_;
    std::vector<std::exception_ptr> failures_;
    size_t window_;
    size_t handedOut_ = 0; // files given to workers
    size_t read_ = 0;      // results taken by the reader
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable resultReady_;
    std::condition_variable roomReady_;
    std::vector<std::jthread> workers_; // last, so that they are joined before the rest goes
};

} // namespace pellvane::python
