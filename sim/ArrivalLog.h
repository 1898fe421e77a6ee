// When each chunk read from the master arrived, by stream position, to date the
// first byte of a frame that may span several chunks.
#pragma once

#include <cstdint>
#include <deque>
#include <utility>

#include "sim/WireTime.h"

namespace sim {

class ArrivalLog {
public:
    void Add(std::uint64_t offset, Clock::time_point when) { chunks_.emplace_back(offset, when); }

    // Arrival of the chunk holding stream position `offset`.
    Clock::time_point TimeOf(std::uint64_t offset) const {
        Clock::time_point when = chunks_.empty() ? Clock::now() : chunks_.front().second;
        for (const auto& [start, time] : chunks_) {
            if (start > offset) break;
            when = time;
        }
        return when;
    }

    // Forgets chunks wholly before `offset`, keeping the one that contains it.
    void DropBefore(std::uint64_t offset) {
        while (chunks_.size() > 1 && chunks_[1].first <= offset) chunks_.pop_front();
    }

private:
    std::deque<std::pair<std::uint64_t, Clock::time_point>> chunks_;
};

}  // namespace sim
