// Splitting a command line into options and plain arguments, shared by the fly-over and the
// tools so that every program takes its options the same way.
#pragma once

#include <charconv>
#include <string>
#include <vector>

namespace elevation {

// One command-line item: an option with its value (if it takes one), or a plain argument.
struct CommandLineItem {
    std::string name;   // "--width"; for a plain argument, the argument itself
    std::string value;  // empty for flags and plain arguments
    bool isOption = false;
};

struct ScanResult {
    std::vector<CommandLineItem> items;
    std::string error;  // one line for the user; empty on success
};

// Splits args (without the program name) into items. Accepts "--name value" and
// "--name=value" for the options in `valueOptions`, the options in `flags` alone, and
// "--help" / "-h" as a flag (named "--help"). An unknown option, a missing value or a
// value given to a flag is an error ending in `helpHint`.
ScanResult scanCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                           const std::vector<std::string>& flags, const std::string& helpHint);

// Whole-string decimal parse; rejects signs, blanks and trailing characters.
template <typename T>
bool parseWholeNumber(const std::string& text, T& value) {
    if (text.empty() || text.front() == '+' || text.front() == '-') return false;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

}  // namespace elevation
