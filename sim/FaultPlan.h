// Misbehaviour ordered by link tests, decided one request at a time.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

namespace sim {

struct RequestFate {
    bool execute = true;      // the reader acts on the command
    bool answer = true;       // and sends a reply
    bool corrupt = false;     // whose checksum is wrong
    int delayMs = 0;          // extra wait before the reply starts
    int duplicateGapMs = -1;  // the reply goes out again this long after it (-1: once)
    bool removeCard = false;  // the card leaves right after this request
    bool pretend = false;     // answered as done (0A 00) without acting on it
    bool echoed = false;      // the request comes back to the host as it was sent
};

class FaultPlan {
public:
    void SetSilent(bool silent) { silent_ = silent; }
    bool Silent() const { return silent_; }
    // Requests still to be ignored as if never heard.
    void IgnoreNext(int count) { ignore_ = count > 0 ? count : 0; }
    // Replies still to be sent with a broken checksum. The command itself is
    // carried out: a garbled answer does not undo what the card did.
    void CorruptNext(int count) { corrupt_ = count > 0 ? count : 0; }
    void DelayNextReply(int ms) { DelayReplies({ms}); }
    // Extra waits for the next replies, one each, in order. The reader works through
    // its requests one after another, so a reply's wait begins once the reply before
    // it went out: {2300, 300} answers a request 2.3 s late and the one queued
    // behind it (a repeat sent meanwhile) 300 ms after that.
    void DelayReplies(const std::vector<int>& ms);
    // Every reply to requests with this command code waits `ms` first (0: no more).
    void DelayRepliesTo(std::uint8_t command, int ms);
    // The next `count` replies go out twice, the copy `gapMs` after the reply.
    void DuplicateNext(int count, int gapMs = 0);
    // The card leaves after `count` more requests (any kind, answered or not);
    // 0 or less disarms.
    void RemoveCardAfter(int count) { removeAfter_ = count > 0 ? count : 0; }

    // Requests still to be answered as done without being carried out: a reader
    // (or a card) that reports a success it did not achieve.
    void PretendNext(int count) { pretend_ = count > 0 ? count : 0; }

    // Every request comes back to the host as it goes out, heard by the reader or
    // not, ahead of any reply: a half-duplex (RS-485) adapter hears its own sending.
    void SetEchoRequests(bool echo) { echoRequests_ = echo; }

    // The fate of the next request, whose command code is `command`.
    RequestFate Next(int command = -1);

private:
    bool silent_ = false;
    int ignore_ = 0;
    int corrupt_ = 0;
    std::deque<int> delays_;
    std::map<std::uint8_t, int> commandDelays_;
    int duplicate_ = 0;
    int duplicateGapMs_ = 0;
    int removeAfter_ = 0;
    int pretend_ = 0;
    bool echoRequests_ = false;
};

}  // namespace sim
