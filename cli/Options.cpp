#include "cli/Options.h"

#include <algorithm>
#include <string>

Options::Options(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                 const std::vector<std::string>& flags) {
    auto contains = [](const std::vector<std::string>& v, const std::string& s) {
        return std::find(v.begin(), v.end(), s) != v.end();
    };
    for (std::size_t i = 0; i < args.size() && error_.empty(); ++i) {
        std::string arg = args[i];
        std::string value;
        bool inlineValue = false;
        if (auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            inlineValue = true;
        }
        if (contains(valued, arg)) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    error_ = "option " + arg + " needs a value";
                    break;
                }
                value = args[++i];
            }
            values_[arg] = value;
        } else if (contains(flags, arg) && !inlineValue) {
            values_[arg] = "";
        } else {
            error_ = "unknown option or argument: " + args[i];
        }
    }
}

std::optional<std::string> Options::Value(const std::string& name) const {
    auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::optional<int> Options::Count(const std::string& name, int max) {
    auto v = Value(name);
    if (!v) return std::nullopt;
    // Digits only: strtol would take a sign and leading spaces, and wrap or clip
    // what does not fit without a word.
    long long n = 0;
    bool ok = !v->empty();
    for (char c : *v) {
        if (c < '0' || c > '9' || n > max) {
            ok = false;
            break;
        }
        n = n * 10 + (c - '0');
    }
    if (!ok || n < 1 || n > max) {
        error_ = "option " + name + " needs a whole number from 1 to " + std::to_string(max) + ", not '" + *v + "'";
        return std::nullopt;
    }
    return static_cast<int>(n);
}
