#include "card_init/CardJournal.h"

#include "platform/Console.h"
#include "platform/DebugChannel.h"
#include "platform/UserFiles.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

namespace {

namespace fs = std::filesystem;

constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string TimeText(const platform::LocalTime& t) {
    const int offset = t.utcOffsetMinutes < 0 ? -t.utcOffsetMinutes : t.utcOffsetMinutes;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

// Appends `line` to `file`, after the mark and the header when the file is new or
// empty. Opened, written, flushed and closed for every line. "" or why not.
std::string AppendLine(const std::string& file, const std::string& line) {
    const fs::path path = PathOf(file);
    std::error_code ignored;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), ignored);  // the open says what failed
    std::error_code sizeError;
    const bool fresh = fs::file_size(path, sizeError) == 0 || sizeError;
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out) return errno ? std::generic_category().message(errno) : "cannot be opened";
    std::string text = fresh ? std::string(kByteOrderMark) + kJournalHeader + "\r\n" : std::string();
    text += line;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) return errno ? std::generic_category().message(errno) : "cannot be written";
    out.close();
    return out.fail() ? "cannot be written" : "";
}

}  // namespace

const char* JournalCode(InitOutcome outcome) {
    switch (outcome) {
        case InitOutcome::Ok: return "ok";
        case InitOutcome::CardNotPlaced: return "card-not-placed";
        case InitOutcome::SerialReadFailed: return "serial-read-failed";
        case InitOutcome::NotANewCard: return "not-a-new-card";
        case InitOutcome::AlreadyInitialized: return "already-initialized";
        case InitOutcome::InitFailed: return "init-failed";
        case InitOutcome::KeysUnavailable: return "keys-unavailable";
        case InitOutcome::CardSwapped: return "card-swapped";
        case InitOutcome::VerifyFailed: return "verify-failed";
    }
    return "?";
}

std::string CsvField(const std::string& value) {
    // A spreadsheet runs a cell that starts with = + - @ as a formula; a port name
    // comes from the command line, so such a field is kept as text by a leading '.
    const std::string text = !value.empty() && std::string_view("=+-@\t").find(value[0]) != std::string_view::npos
                                 ? "'" + value
                                 : value;
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

CardJournal CardJournal::ToFile(const std::string& file, const std::string& program) { return {file, "", program}; }

CardJournal CardJournal::Monthly(const std::string& folder, const std::string& program) {
    return {"", folder, program};
}

std::string CardJournal::CurrentFile() const { return FileFor(platform::LocalTimeNow()); }

std::string CardJournal::FileFor(const platform::LocalTime& now) const {
    if (!file_.empty() || folder_.empty()) return file_;
    char name[32];
    std::snprintf(name, sizeof name, "cardfmt-%04d-%02d.csv", now.year, now.month);
    const std::u8string joined = (PathOf(folder_) / name).u8string();
    return std::string(joined.begin(), joined.end());
}

void CardJournal::Record(std::uint32_t serial, InitOutcome outcome, const std::string& port, bool verify) {
    const bool proven = verify && (outcome == InitOutcome::Ok || outcome == InitOutcome::AlreadyInitialized);
    Append(serial, JournalCode(outcome), OutcomeMessage(outcome), port, proven);
}

void CardJournal::RecordLinkError(std::uint32_t serial, const std::string& what, const std::string& port) {
    Append(serial, kLinkErrorCode, what, port, false);
}

void CardJournal::Append(std::uint32_t serial, const char* code, const std::string& message, const std::string& port,
                         bool verified) {
    const platform::LocalTime now = platform::LocalTimeNow();
    char serialText[9] = "";
    if (serial != 0) std::snprintf(serialText, sizeof serialText, "%08X", static_cast<unsigned>(serial));
    const std::string line = CsvField(TimeText(now)) + "," + serialText + "," + code + "," + CsvField(message) + "," +
                             CsvField(port) + "," + CsvField(CARDFMT_VERSION) + "," + (verified ? "yes" : "no") +
                             "\r\n";
    const std::string file = FileFor(now);  // the month of the line's own time
    if (file.empty()) {
        TellOnce("", "no folder for it: neither XDG_STATE_HOME/HOME nor LOCALAPPDATA is set");
        return;
    }
    try {
        if (const std::string failed = AppendLine(file, line); !failed.empty()) TellOnce(file, failed);
    } catch (const std::exception& e) {
        TellOnce(file, e.what());
    }
}

void CardJournal::TellOnce(const std::string& file, const std::string& reason) {
    if (told_.exchange(true)) return;
    if (platform::DebugChannelActive()) platform::DebugOutput("发卡记录无法写入：" + file + "：" + reason);
    platform::WriteErrLine(program_ + ": cannot write the card journal " + file + ": " + reason +
                           "; cards go on being formatted, without journal lines");
}
