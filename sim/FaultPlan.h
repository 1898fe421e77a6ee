// Misbehaviour ordered by link tests, decided one request at a time.
#pragma once

namespace sim {

struct RequestFate {
    bool execute = true;       // the reader acts on the command
    bool answer = true;        // and sends a reply
    bool corrupt = false;      // whose checksum is wrong
    int delayMs = 0;           // extra wait before the reply starts
    bool removeCard = false;   // the card leaves right after this request
    bool pretend = false;      // answered as done (0A 00) without acting on it
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
    void DelayNextReply(int ms) { delayMs_ = ms > 0 ? ms : 0; }
    // The card leaves after `count` more requests (any kind, answered or not);
    // 0 or less disarms.
    void RemoveCardAfter(int count) { removeAfter_ = count > 0 ? count : 0; }

    // Requests still to be answered as done without being carried out: a reader
    // (or a card) that reports a success it did not achieve.
    void PretendNext(int count) { pretend_ = count > 0 ? count : 0; }

    RequestFate Next();

private:
    bool silent_ = false;
    int ignore_ = 0;
    int corrupt_ = 0;
    int delayMs_ = 0;
    int removeAfter_ = 0;
    int pretend_ = 0;
};

}  // namespace sim
