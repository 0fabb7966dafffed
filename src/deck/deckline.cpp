#include "deck/deckline.h"

#include <algorithm>
#include <string>

namespace deck {

namespace {

// The engine's largest block count; the state keeps it in 17 bits.
constexpr int kMaxPending = 100000;
constexpr int kPendingBits = 0x1FFFF;

template <class C>
bool isBlank(C c) {
    return c == ' ' || c == '\t';
}
template <class C>
bool isAlpha(C c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
template <class C>
bool isDigit(C c) {
    return c >= '0' && c <= '9';
}
template <class C>
bool isNameChar(C c) {
    return isAlpha(c) || isDigit(c) || c == '_';
}
template <class C>
char upperAscii(C c) {
    if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
    return c >= 0 && c < 128 ? static_cast<char>(c) : '?';
}

template <class C>
Statement statementOfWord(std::basic_string_view<C> w) {
    if (w.size() < 3) return Statement::None;
    const std::string k{upperAscii(w[0]), upperAscii(w[1]), upperAscii(w[2])};
    static const struct {
        const char* key;
        Statement statement;
    } kKeys[] = {{"UNI", Statement::Unit},        {"PAR", Statement::Parameters}, {"INP", Statement::Inputs},
                 {"DER", Statement::Derivatives}, {"TRA", Statement::Trace},      {"EQU", Statement::Equations},
                 {"EQN", Statement::Equations},   {"CON", Statement::Constants},  {"ASS", Statement::Assign},
                 {"SIM", Statement::Simulation},  {"END", Statement::End}};
    for (const auto& key : kKeys)
        if (k == key.key) return key.statement;
    return Statement::None;
}

template <class C>
class Reader {
public:
    Reader(std::basic_string_view<C> s, ClassifiedLine& out, bool withTokens) : s_(s), out_(out), withTokens_(withTokens) {}

    void run(LineState st) {
        out_.after = st;
        std::size_t b = 0, e = s_.size();
        while (b < e && isBlank(s_[b])) ++b;
        while (e > b && isBlank(s_[e - 1])) --e;
        if (st.ended) {
            out_.kind = LineKind::AfterEnd;
            add(b, e - b, Token::Ignored);
            return;
        }
        if (b == e) {
            out_.kind = LineKind::Blank;
            return;
        }
        if (s_[b] == '*') {
            const bool descriptor = b + 1 < e && s_[b + 1] == '|';
            out_.kind = descriptor ? LineKind::Descriptor : LineKind::Comment;
            add(b, e - b, descriptor ? Token::Descriptor : Token::Comment);
            return;
        }
        // A remark runs from "!" to the end of the line.
        std::size_t te = b;
        while (te < e && s_[te] != '!') ++te;
        const std::size_t bang = te;
        while (te > b && isBlank(s_[te - 1])) --te;
        if (te == b) {
            out_.kind = LineKind::Comment;
            add(bang, e - bang, Token::Remark);
            return;
        }
        statement(b, te, out_.after);
        add(bang, e - bang, Token::Remark);
    }

private:
    void add(std::size_t start, std::size_t length, Token kind) {
        if (withTokens_ && length > 0) out_.tokens.push_back({start, length, kind});
    }

    std::size_t wordEnd(std::size_t i, std::size_t to) const {
        while (i < to && !isBlank(s_[i])) ++i;
        return i;
    }
    std::size_t skipBlanks(std::size_t i, std::size_t to) const {
        while (i < to && isBlank(s_[i])) ++i;
        return i;
    }

    // The number tokens of [from, to); a digit run into letters belongs to a name.
    void numbers(std::size_t from, std::size_t to) {
        if (!withTokens_) return;
        std::size_t i = from;
        while (i < to) {
            const C c = s_[i];
            if (isAlpha(c) || c == '_') {
                while (i < to && isNameChar(s_[i])) ++i;
                continue;
            }
            if (isDigit(c) || (c == '.' && i + 1 < to && isDigit(s_[i + 1]))) {
                const std::size_t start = i;
                while (i < to && isDigit(s_[i])) ++i;
                if (i < to && s_[i] == '.') {
                    ++i;
                    while (i < to && isDigit(s_[i])) ++i;
                }
                if (i < to && (s_[i] == 'E' || s_[i] == 'e' || s_[i] == 'D' || s_[i] == 'd')) {
                    std::size_t j = i + 1;
                    if (j < to && (s_[j] == '+' || s_[j] == '-')) ++j;
                    if (j < to && isDigit(s_[j])) {
                        while (j < to && isDigit(s_[j])) ++j;
                        i = j;
                    }
                }
                if (i < to && (isAlpha(s_[i]) || s_[i] == '_')) {
                    while (i < to && isNameChar(s_[i])) ++i;
                    continue;
                }
                add(start, i - start, Token::Number);
                continue;
            }
            ++i;
        }
    }

    // The count word of CONSTANTS and EQUATIONS as the engine takes it: digits
    // only and at most kMaxPending, else no block opens.
    int count(std::size_t from, std::size_t to) const {
        const std::size_t b = skipBlanks(from, to);
        const std::size_t e = wordEnd(b, to);
        if (b == e || e - b > 6) return 0;
        int n = 0;
        for (std::size_t i = b; i < e; ++i) {
            if (!isDigit(s_[i])) return 0;
            n = n * 10 + (s_[i] - '0');
        }
        return n <= kMaxPending ? n : 0;
    }

    void definition(std::size_t b, std::size_t te, LineState& st) {
        out_.kind = LineKind::Definition;
        --st.pending;
        std::size_t eq = b;
        while (s_[eq] != '=') ++eq;
        std::size_t ne = eq;
        while (ne > b && isBlank(s_[ne - 1])) --ne;
        out_.nameStart = b;
        out_.nameLength = ne - b;
        add(b, ne - b, st.equations ? Token::EquationName : Token::ConstantName);
        numbers(eq + 1, te);
    }

    void statement(std::size_t b, std::size_t te, LineState& st) {
        const std::size_t we = wordEnd(b, te);
        const Statement kw = statementOfWord(s_.substr(b, we - b));
        const bool hasEq = std::find(s_.begin() + b, s_.begin() + te, C('=')) != s_.begin() + te;
        if (st.pending > 0) {
            if (hasEq) return definition(b, te, st);
            if (kw == Statement::None) {
                // The engine counts it as a definition it could not read.
                --st.pending;
                out_.kind = LineKind::Other;
                numbers(b, te);
                return;
            }
            st.pending = 0;  // a statement ends a block that owes definitions
        }
        if (kw == Statement::None) {
            out_.kind = st.inUnit ? LineKind::UnitData : LineKind::Other;
            numbers(b, te);
            return;
        }
        out_.kind = LineKind::Statement;
        out_.statement = kw;
        add(b, we - b, Token::Keyword);
        switch (kw) {
            case Statement::Constants:
            case Statement::Equations:
                st.inUnit = false;
                st.equations = kw == Statement::Equations;
                st.pending = count(we, te);
                numbers(we, te);
                break;
            case Statement::Assign: {
                st.inUnit = false;
                const std::size_t fb = skipBlanks(we, te);
                const std::size_t fe = wordEnd(fb, te);
                add(fb, fe - fb, Token::FileName);
                numbers(fe, te);
                break;
            }
            case Statement::Simulation:
                st.inUnit = false;
                numbers(we, te);
                break;
            case Statement::Unit: {
                st.inUnit = true;
                // UNIT n TYPE m: the third word is a keyword too.
                const std::size_t nb = skipBlanks(we, te), ne = wordEnd(nb, te);
                const std::size_t tb = skipBlanks(ne, te), tEnd = wordEnd(tb, te);
                numbers(we, tb);
                const auto third = s_.substr(tb, tEnd - tb);
                const bool type = third.size() == 4 && upperAscii(third[0]) == 'T' && upperAscii(third[1]) == 'Y' &&
                                  upperAscii(third[2]) == 'P' && upperAscii(third[3]) == 'E';
                if (type) add(tb, tEnd - tb, Token::Keyword);
                numbers(type ? tEnd : tb, te);
                break;
            }
            case Statement::End:
                st.ended = true;
                numbers(we, te);
                break;
            default:
                st.inUnit = true;  // data lines follow
                numbers(we, te);
                break;
        }
    }

    std::basic_string_view<C> s_;
    ClassifiedLine& out_;
    bool withTokens_;
};

}  // namespace

int LineState::pack() const {
    return (std::clamp(pending, 0, kPendingBits)) | (equations ? 1 << 17 : 0) | (inUnit ? 1 << 18 : 0) |
           (ended ? 1 << 19 : 0);
}

LineState LineState::unpack(int packed) {
    LineState s;
    if (packed < 0) return s;
    s.pending = packed & kPendingBits;
    s.equations = packed & (1 << 17);
    s.inUnit = packed & (1 << 18);
    s.ended = packed & (1 << 19);
    return s;
}

ClassifiedLine classifyLine(std::string_view line, LineState before, bool withTokens) {
    ClassifiedLine out;
    Reader<char>(line, out, withTokens).run(before);
    return out;
}

ClassifiedLine classifyLine(std::u16string_view line, LineState before, bool withTokens) {
    ClassifiedLine out;
    Reader<char16_t>(line, out, withTokens).run(before);
    return out;
}

Statement statementOf(std::string_view word) { return statementOfWord(word); }

}  // namespace deck
