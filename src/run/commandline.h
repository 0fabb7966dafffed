// Command lines of the programs the shell starts, kept as a program and its
// arguments, so that no path is ever split at its blanks or read by a shell.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace run {

struct Command {
    std::string program;
    std::vector<std::string> arguments;
    bool operator==(const Command&) const = default;
};

// Splits a command line from the settings into words the way a shell does, without
// running one: blanks and tabs separate words; '...' and "..." group text with
// blanks (the quotes go); inside "..." the pairs \" and \\ stand for " and \.
// Every other backslash is an ordinary character, so paths such as
// \F32\BIN\FL32.EXE keep theirs. An unclosed quote runs to the end of the line.
std::vector<std::string> splitWords(std::string_view line);

// One word as a command line writes it, so that splitWords gives it back whole:
// unchanged when it holds no blank, tab, quote or backslash-quote, else quoted.
std::string quoteWord(const std::string& word);

// The command line with its program replaced (a program chosen with Browse); the
// arguments stay.
std::string withProgram(std::string_view line, const std::string& program);

// The first word is the program, the others its arguments. An empty or blank
// line gives an empty program (whose start fails like any missing program).
Command parseCommandLine(std::string_view line);

// A settings command line followed by one more argument taken whole (the module
// source of Compile Module).
Command commandWithArgument(std::string_view line, const std::string& argument);

// dir + "/" + file; no separator is added when dir is empty or already ends in
// "/" or "\".
std::string programInDirectory(const std::string& dir, const std::string& file);

// The engine started on a deck: the deck is one argument, whatever it holds; an
// empty deck (no deck window) gives no argument. A table run adds "/N".
Command engineCommand(const std::string& enginePath, const std::string& deck, bool tableRun = false);

// Nothing is cut: a command is passed on whole, however long. A 255-character
// buffer belonged to the old platform's start call; cutting a path there would
// start the wrong program or hand over a wrong file name.

}  // namespace run
