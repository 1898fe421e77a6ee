// The record of every card run at a desk: one CSV line per outcome, appended and
// flushed line by line (a crash or an unplug loses at most the line being
// written), UTF-8 with a byte-order mark so that Excel on a Chinese Windows opens
// it right, a header line when the file is new. Fields are quoted as RFC 4180
// says; lines end with CR LF.
//
// Columns: time (local, ISO 8601 with its UTC offset), serial (8 hexadecimal
// digits; empty when the run had none), outcome (a stable ASCII code, JournalCode),
// message (as the operator was shown it; empty for ok), port, version (of the
// program), verified (yes when the card itself proved the result, else no).
//
// A journal that cannot be written never stops or slows the card flow: Record
// returns at once, and the first failure is said in the trace and on stderr.
//
// Threads: Record runs on the thread of the card run (the watcher's); one at a
// time.
#pragma once

#include "card_init/CardInit.h"
#include "platform/UserFiles.h"

#include <atomic>
#include <cstdint>
#include <string>

inline constexpr const char* kJournalHeader = "time,serial,outcome,message,port,version,verified";
// The outcome of a run cut short by a link error (the port is gone).
inline constexpr const char* kLinkErrorCode = "link-error";

// ok, card-not-placed, serial-read-failed, not-a-new-card, already-initialized,
// init-failed, keys-unavailable, card-swapped, verify-failed.
const char* JournalCode(InitOutcome outcome);

// One field as RFC 4180 writes it: quoted, with its quotes doubled, when it holds
// a comma, a quote, CR or LF; else as it is. A field a spreadsheet would take for
// a formula (= + - @ or a tab first) gets a leading ' so that it stays text.
std::string CsvField(const std::string& text);

class CardJournal {
public:
    // Appends to `file` (UTF-8 path). `program` leads the stderr line of a failure.
    static CardJournal ToFile(const std::string& file, const std::string& program);
    // One file a month in `folder` (made when missing): cardfmt-YYYY-MM.csv, the
    // month of each line's own time. An empty folder: the environment named none.
    static CardJournal Monthly(const std::string& folder, const std::string& program);

    CardJournal(const CardJournal& other)
        : file_(other.file_), folder_(other.folder_), program_(other.program_), told_(other.told_.load()) {}

    // `verify`: the run was to prove its result on the card.
    void Record(std::uint32_t serial, InitOutcome outcome, const std::string& port, bool verify);
    // A run cut short by the link's error `what`.
    void RecordLinkError(std::uint32_t serial, const std::string& what, const std::string& port);

    // The file the next line goes to.
    std::string CurrentFile() const;

private:
    CardJournal(std::string file, std::string folder, std::string program)
        : file_(std::move(file)), folder_(std::move(folder)), program_(std::move(program)) {}
    void Append(std::uint32_t serial, const char* code, const std::string& message, const std::string& port,
                bool verified);
    void TellOnce(const std::string& file, const std::string& reason);
    std::string FileFor(const platform::LocalTime& time) const;

    std::string file_, folder_, program_;
    std::atomic<bool> told_{false};
};
