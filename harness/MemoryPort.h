// An in-memory serial port for unit tests of one module: the test queues the bytes
// "the reader sent", and sees what the link wrote.
#pragma once

#include "platform/SerialPort.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace harness {

class MemoryPort final : public platform::SerialPort {
public:
    struct Shared {
        std::mutex mutex;
        std::deque<std::uint8_t> incoming;
        std::vector<std::vector<std::uint8_t>> written;
        bool failWrites = false;
        bool failQuery = false;
        bool closed = false;
        int purges = 0;
        std::vector<bool> inFlight;  // what SetInFlight was told, in order
        // Called with each frame written; may queue a reply (runs under the mutex).
        std::function<void(const std::vector<std::uint8_t>&, std::deque<std::uint8_t>&)> responder;
        // Called with the number of frames written so far, after the mutex is let go,
        // before Write returns: the moment between a write and the wait for its reply.
        std::function<void(std::size_t writes)> afterWrite;
    };

    explicit MemoryPort(std::shared_ptr<Shared> shared) : s_(std::move(shared)) {}

    long BytesWaiting() override {
        std::lock_guard lock(s_->mutex);
        if (s_->closed || s_->failQuery) return -1;
        return static_cast<long>(s_->incoming.size());
    }
    void PurgeInput() override {
        std::lock_guard lock(s_->mutex);
        s_->incoming.clear();
        ++s_->purges;
    }
    long Read(std::uint8_t* buffer, std::size_t count) override {
        std::lock_guard lock(s_->mutex);
        if (s_->closed) return -1;
        std::size_t n = std::min(count, s_->incoming.size());
        for (std::size_t i = 0; i < n; ++i) {
            buffer[i] = s_->incoming.front();
            s_->incoming.pop_front();
        }
        return static_cast<long>(n);
    }
    bool Write(const std::uint8_t* data, std::size_t count) override {
        std::function<void(std::size_t)> after;
        std::size_t writes = 0;
        {
            std::lock_guard lock(s_->mutex);
            if (s_->closed || s_->failWrites) return false;
            s_->written.emplace_back(data, data + count);
            if (s_->responder) s_->responder(s_->written.back(), s_->incoming);
            after = s_->afterWrite;
            writes = s_->written.size();
        }
        if (after) after(writes);
        return true;
    }
    void Close() override {
        std::lock_guard lock(s_->mutex);
        s_->closed = true;
    }
    void SetInFlight(bool inFlight) override {
        std::lock_guard lock(s_->mutex);
        s_->inFlight.push_back(inFlight);
    }

    static void Queue(Shared& s, const std::vector<std::uint8_t>& bytes) {
        std::lock_guard lock(s.mutex);
        s.incoming.insert(s.incoming.end(), bytes.begin(), bytes.end());
    }

private:
    std::shared_ptr<Shared> s_;
};

}  // namespace harness
