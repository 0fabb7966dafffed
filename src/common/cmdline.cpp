#include "common/cmdline.h"

#include <algorithm>
#include <cstdio>

namespace pal {

std::string shownArgument(std::string_view argument) {
    std::string out;
    out.reserve(argument.size());
    for (const char c : argument) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else if (u < 0x20 || u == 0x7f) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            out += hex;
        } else
            out += c;
    }
    return out;
}

std::string CommandOptions::value(std::string_view name) const {
    for (const auto& [n, v] : pairs)
        if (n == name) return v;
    return {};
}

CommandOptions parseCommandOptions(std::string_view command, const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& known,
                                   const std::vector<std::string>& knownFlags) {
    const auto isKnown = [](const std::vector<std::string>& names, std::string_view n) {
        return std::find(names.begin(), names.end(), n) != names.end();
    };
    const std::string cmd(command);
    if (arguments.empty() || arguments.front().rfind("--", 0) == 0)
        throw CommandLineError(cmd + " needs a file (try --help)");
    CommandOptions o;
    o.positional = arguments.front();
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (isKnown(knownFlags, name)) {
            o.flags.push_back(name);
            continue;
        }
        const std::size_t equals = name.find('=');
        if (equals != std::string::npos && equals > 0 && isKnown(known, std::string_view(name).substr(0, equals))) {
            o.pairs.emplace_back(name.substr(0, equals), name.substr(equals + 1));
            continue;
        }
        if (!isKnown(known, name))
            throw CommandLineError(cmd + ": unknown option " + shownArgument(name));
        if (i + 1 >= arguments.size()) throw CommandLineError(cmd + ": " + name + " needs a value");
        o.pairs.emplace_back(name, arguments[++i]);
    }
    return o;
}

std::vector<std::string> filesOnCommandLine(const std::vector<std::string>& arguments) {
    std::vector<std::string> files;
    bool options = true;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (options && a == "--")
            options = false;
        else if (options && a.size() > 1 && a[0] == '-')
            throw CommandLineError("unknown option " + shownArgument(a) + " (try --help)");
        else
            files.push_back(a);
    }
    return files;
}

std::string firstLongOption(const std::vector<std::string>& arguments) {
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--") break;
        if (arguments[i].rfind("--", 0) == 0) return arguments[i];
    }
    return {};
}

}  // namespace pal
