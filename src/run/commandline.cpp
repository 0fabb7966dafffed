#include "run/commandline.h"

namespace run {

std::vector<std::string> splitWords(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t') {
            if (inWord) words.push_back(std::move(word)), word.clear(), inWord = false;
            ++i;
        } else if (c == '\'') {
            inWord = true;
            const auto close = line.find('\'', i + 1);
            const auto end = close == std::string_view::npos ? line.size() : close;
            word.append(line.substr(i + 1, end - i - 1));
            i = close == std::string_view::npos ? line.size() : close + 1;
        } else if (c == '"') {
            inWord = true;
            ++i;
            while (i < line.size() && line[i] != '"') {
                if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) ++i;
                word += line[i++];
            }
            ++i;  // the closing quote (or past the end)
        } else {
            inWord = true;
            word += c;
            ++i;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

std::string quoteWord(const std::string& word) {
    if (!word.empty() && word.find_first_of(" \t'\"") == std::string::npos) return word;
    if (word.find('\'') == std::string::npos) return "'" + word + "'";
    std::string q = "\"";
    for (char c : word) {
        if (c == '"' || c == '\\') q += '\\';
        q += c;
    }
    return q + "\"";
}

std::string withProgram(std::string_view line, const std::string& program) {
    const auto words = splitWords(line);
    std::string out = quoteWord(program);
    for (std::size_t i = 1; i < words.size(); ++i) out += " " + quoteWord(words[i]);
    return out;
}

Command parseCommandLine(std::string_view line) {
    Command c;
    auto words = splitWords(line);
    if (words.empty()) return c;
    c.program = std::move(words.front());
    c.arguments.assign(std::make_move_iterator(words.begin() + 1), std::make_move_iterator(words.end()));
    return c;
}

Command commandWithArgument(std::string_view line, const std::string& argument) {
    Command c = parseCommandLine(line);
    c.arguments.push_back(argument);
    return c;
}

std::string programInDirectory(const std::string& dir, const std::string& file) {
    if (dir.empty() || dir.back() == '/' || dir.back() == '\\') return dir + file;
    return dir + "/" + file;
}

Command engineCommand(const std::string& enginePath, const std::string& deck, bool tableRun) {
    Command c{enginePath, {}};
    if (!deck.empty()) c.arguments.push_back(deck);
    if (tableRun) c.arguments.push_back("/N");
    return c;
}

}  // namespace run
