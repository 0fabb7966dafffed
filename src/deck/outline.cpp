#include "deck/outline.h"

#include "common/bytes.h"
#include "deck/deckline.h"

namespace deck {

namespace {

// The statement without a remark and the blanks around it.
std::string statementText(const std::string& line) {
    return pal::trim(std::string_view(line).substr(0, line.find('!')));
}

}  // namespace

std::string unitTypeNumber(const std::string& unitStatement) {
    std::size_t i = 0;
    std::string word;
    for (int k = 0; k < 4; ++k) {
        while (i < unitStatement.size() && (unitStatement[i] == ' ' || unitStatement[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < unitStatement.size() && unitStatement[i] != ' ' && unitStatement[i] != '\t') ++i;
        word = unitStatement.substr(start, i - start);
    }
    return word;
}

std::vector<OutlineEntry> buildOutline(const std::vector<std::string>& lines, const std::vector<TypeEntry>& types) {
    std::vector<OutlineEntry> out;
    LineState state;
    OutlineEntry* block = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const ClassifiedLine c = classifyLine(line, state, false);
        state = c.after;
        const int number = static_cast<int>(i + 1);
        if (c.kind == LineKind::Definition && block) {
            block->children.push_back({OutlineEntry::Kind::Name, number,
                                       pal::upper(std::string_view(line).substr(c.nameStart, c.nameLength)), {}, {}});
            continue;
        }
        if (c.kind != LineKind::Statement) continue;
        block = nullptr;
        OutlineEntry e;
        e.line = number;
        e.text = statementText(line);
        switch (c.statement) {
            case Statement::Unit:
                e.kind = OutlineEntry::Kind::Unit;
                e.detail = typeName(types, unitTypeNumber(e.text));
                break;
            case Statement::Constants: e.kind = OutlineEntry::Kind::Constants; break;
            case Statement::Equations: e.kind = OutlineEntry::Kind::Equations; break;
            case Statement::Assign: e.kind = OutlineEntry::Kind::Assign; break;
            case Statement::Simulation: e.kind = OutlineEntry::Kind::Simulation; break;
            default: continue;
        }
        out.push_back(std::move(e));
        if (c.statement == Statement::Constants || c.statement == Statement::Equations) block = &out.back();
    }
    return out;
}

}  // namespace deck
