#include "elevation/command_line.h"

#include <algorithm>

namespace elevation {

ScanResult scanCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                           const std::vector<std::string>& flags, const std::string& helpHint) {
    ScanResult result;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        const std::size_t eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }

        if (name == "--help" || name == "-h") {
            result.items.push_back({"--help", "", true});
            continue;
        }
        if (std::find(flags.begin(), flags.end(), name) != flags.end()) {
            if (hasValue) {
                result.error = name + " takes no value; " + helpHint;
                return result;
            }
            result.items.push_back({name, "", true});
            continue;
        }
        // A lone "-" is left to the caller as a plain argument.
        if (name.size() < 2 || name.front() != '-') {
            result.items.push_back({args[i], "", false});
            continue;
        }
        if (std::find(valueOptions.begin(), valueOptions.end(), name) == valueOptions.end()) {
            result.error = "unknown option '" + args[i] + "'; " + helpHint;
            return result;
        }
        if (!hasValue) {
            // A following option means the value was forgotten, not that it is the value.
            if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) {
                result.error = name + " needs a value; " + helpHint;
                return result;
            }
            value = args[++i];
        }
        result.items.push_back({name, value, true});
    }
    return result;
}

}  // namespace elevation
