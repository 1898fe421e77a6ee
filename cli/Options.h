// Command-line options of the cardfmt command: "--name value" and "--flag".
#pragma once

#include <limits>
#include <map>
#include <optional>
#include <string>
#include <vector>

class Options {
public:
    // Parses args; `valued` lists the options that take a value. Unknown options and
    // missing values are errors (see Error()).
    Options(const std::vector<std::string>& args, const std::vector<std::string>& valued,
            const std::vector<std::string>& flags);

    bool Has(const std::string& name) const { return values_.count(name) != 0; }
    std::optional<std::string> Value(const std::string& name) const;
    // A whole number from 1 to `max` written in decimal digits alone (no sign, no
    // space), or nothing when absent; sets Error() when malformed or out of range.
    std::optional<int> Count(const std::string& name, int max = std::numeric_limits<int>::max());
    const std::string& Error() const { return error_; }

private:
    std::map<std::string, std::string> values_;
    std::string error_;
};
