// The program's command line, read without Qt: the files a windowed start opens
// and the "--name VALUE" options after a headless command's file. Every failure
// is one line (exit code 2) that shows the argument at fault.
#pragma once
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pal {

class CommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An argument as a message shows it: a control character (a line break, a tab)
// as \n, \t or \xNN, so that the message stays one line.
std::string shownArgument(std::string_view argument);

struct CommandOptions {
    std::string positional;
    std::vector<std::pair<std::string, std::string>> pairs;  // in the order given
    std::vector<std::string> flags;                          // options without a value
    // The value of the first pair of that name; empty when there is none.
    std::string value(std::string_view name) const;
};

// The first argument is the command's file, then options: a name among known
// and its value (as two arguments or as "--name=value"), or a name among
// knownFlags alone. Throws CommandLineError naming command.
CommandOptions parseCommandOptions(std::string_view command, const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& known,
                                   const std::vector<std::string>& knownFlags = {});

// The files named after the program's name (arguments[0]); "--" ends options.
// Throws CommandLineError for an option ("-x", "--y") before that.
std::vector<std::string> filesOnCommandLine(const std::vector<std::string>& arguments);

// The first "--name" argument before "--" (arguments[0] is the program's name),
// or an empty text.
std::string firstLongOption(const std::vector<std::string>& arguments);

}  // namespace pal
