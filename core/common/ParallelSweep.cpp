#include "core/common/ParallelSweep.h"

#include "core/common/MessageSink.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace kurvex {

namespace {
std::atomic<int> threadLimit{0};
}

void SetThreadLimit(int limit) { threadLimit.store(std::max(limit, 0)); }

int ThreadLimit() { return threadLimit.load(); }

int AvailableThreads() {
    const int hardware = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    const int limit = ThreadLimit();
    return limit == 0 ? hardware : limit;
}

int SweepParts(std::size_t items, std::size_t minimumPerPart) {
    const std::size_t bySize = minimumPerPart == 0 ? items : items / minimumPerPart;
    return static_cast<int>(std::clamp<std::size_t>(bySize, 1, static_cast<std::size_t>(AvailableThreads())));
}

PartRange RangeOfPart(std::size_t items, int parts, int part) {
    const auto p = static_cast<std::size_t>(parts), k = static_cast<std::size_t>(part);
    return {items * k / p, items * (k + 1) / p};
}

void RunParts(int parts, const std::function<void(int part)>& task, int* failedPart) {
    const auto count = static_cast<std::size_t>(std::max(parts, 0));
    std::vector<std::exception_ptr> faults(count);
    // Parts after the first keep their messages until all have ended: they
    // are shown on the calling thread, in part order, up to the first fault,
    // which is what one thread going through the points would have shown.
    std::vector<RecordingMessageSink> held(count);
    auto runPart = [&](int part) {
        const auto k = static_cast<std::size_t>(part);
        std::optional<ScopedMessageSink> hold;
        if (part > 0) hold.emplace(held[k]);
        try {
            task(part);
        } catch (...) {
            faults[k] = std::current_exception();
        }
    };
    {
        std::vector<std::jthread> workers;
        workers.reserve(count);
        int started = 1;
        try {
            for (; started < parts; ++started) workers.emplace_back(runPart, started);
        } catch (const std::system_error&) {
            // No thread to be had: the calling thread runs the rest itself.
        }
        if (parts > 0) runPart(0);
        for (int part = started; part < parts; ++part) runPart(part);
    }  // the workers join here
    int failed = parts;
    for (int part = 0; part < parts; ++part)
        if (faults[static_cast<std::size_t>(part)]) {
            failed = part;
            break;
        }
    for (int part = 1; part < parts && part <= failed; ++part)
        for (const RecordedMessage& message : held[static_cast<std::size_t>(part)].messages)
            Messages().Show(message.kind, message.text, message.buttons);
    if (failedPart) *failedPart = failed;
    if (failed < parts) std::rethrow_exception(faults[static_cast<std::size_t>(failed)]);
}

}  // namespace kurvex
