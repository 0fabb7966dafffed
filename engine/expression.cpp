#include "expression.h"

#include <charconv>
#include <cmath>

namespace kalvex {

namespace {

struct FunctionInfo {
    const char* name;
    Expression::Op op;
    int minArgs;
    int maxArgs;  // -1: any number from minArgs on
};

// INTEG is compiled apart (its arguments become sub-programs); it is listed
// here so the name cannot be defined and the argument count is checked.
constexpr FunctionInfo kFunctions[] = {
    {"INT", Expression::Op::Int, 1, 1},   {"ABS", Expression::Op::Abs, 1, 1},
    {"SQRT", Expression::Op::Sqrt, 1, 1}, {"EXP", Expression::Op::Exp, 1, 1},
    {"LN", Expression::Op::Ln, 1, 1},     {"LOG", Expression::Op::Log, 1, 1},
    {"SIN", Expression::Op::Sin, 1, 1},   {"COS", Expression::Op::Cos, 1, 1},
    {"TAN", Expression::Op::Tan, 1, 1},   {"ATAN", Expression::Op::Atan, 1, 1},
    {"MIN", Expression::Op::Min, 2, -1},  {"MAX", Expression::Op::Max, 2, -1},
    {"MOD", Expression::Op::Mod, 2, 2},   {"INTEG", Expression::Op::Integral, 2, 2},
};

const FunctionInfo* findFunction(const std::string& name) {
    for (const auto& f : kFunctions)
        if (name == f.name) return &f;
    return nullptr;
}

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
char upperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string describe(char c) {
    if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) >= 127) return "an unexpected character";
    return std::string("\"") + c + "\"";
}

}  // namespace

// Recursive-descent compiler from text to the stack program:
//   sum     := product (("+" | "-") product)*
//   product := unary (("*" | "/") unary)*
//   unary   := ("-" | "+") unary | power
//   power   := primary ("^" unary)?        (right-associative, binds tighter than unary minus)
//   primary := number | name | name "(" sum ("," sum)* ")" | "(" sum ")"
class ExpressionCompiler {
public:
    ExpressionCompiler(std::string_view text, const NameResolver& resolve, Expression& target)
        : text_(text), resolve_(resolve), target_(target) {}

    void compileAll() {
        skipBlanks();
        if (pos_ >= text_.size()) fail("the expression is empty");
        sum(target_.program_);
        skipBlanks();
        if (pos_ < text_.size()) {
            if (text_[pos_] == ')') fail("\")\" without a matching \"(\"");
            fail(describe(text_[pos_]) + " where an operator was expected");
        }
    }

private:
    using Program = Expression::Program;
    using Op = Expression::Op;

    [[noreturn]] void fail(const std::string& message) const { throw ExpressionError(message, pos_ + 1); }

    void skipBlanks() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    }
    bool accept(char c) {
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    struct DepthGuard {
        explicit DepthGuard(ExpressionCompiler& c) : c_(c) {
            if (++c_.depth_ > Expression::kMaxNesting) c_.fail("the expression is nested too deeply");
        }
        ~DepthGuard() { --c_.depth_; }
        ExpressionCompiler& c_;
    };

    void sum(Program& out) {
        product(out);
        for (;;) {
            if (accept('+')) {
                product(out);
                out.push_back({Op::Add});
            } else if (accept('-')) {
                product(out);
                out.push_back({Op::Sub});
            } else {
                return;
            }
        }
    }

    void product(Program& out) {
        unary(out);
        for (;;) {
            if (accept('*')) {
                unary(out);
                out.push_back({Op::Mul});
            } else if (accept('/')) {
                unary(out);
                out.push_back({Op::Div});
            } else {
                return;
            }
        }
    }

    void unary(Program& out) {
        DepthGuard guard(*this);
        if (accept('-')) {
            unary(out);
            out.push_back({Op::Neg});
        } else if (accept('+')) {
            unary(out);
        } else {
            power(out);
        }
    }

    void power(Program& out) {
        primary(out);
        if (accept('^')) {
            DepthGuard guard(*this);
            unary(out);
            out.push_back({Op::Pow});
        }
    }

    void primary(Program& out) {
        skipBlanks();
        if (pos_ >= text_.size()) fail("a value is missing at the end");
        const char c = text_[pos_];
        if (isDigit(c) || c == '.') return number(out);
        if (isLetter(c)) return nameOrCall(out);
        if (c == '(') {
            DepthGuard guard(*this);
            ++pos_;
            sum(out);
            if (!accept(')')) fail("\")\" is missing");
            return;
        }
        if (c == ')') fail("a value is missing before \")\"");
        fail(describe(c) + " where a value was expected");
    }

    void number(Program& out) {
        const std::size_t start = pos_;
        std::string digits;
        bool any = false;
        while (pos_ < text_.size() && isDigit(text_[pos_])) digits += text_[pos_++], any = true;
        if (pos_ < text_.size() && text_[pos_] == '.') {
            digits += text_[pos_++];
            while (pos_ < text_.size() && isDigit(text_[pos_])) digits += text_[pos_++], any = true;
        }
        if (!any) {
            pos_ = start;
            fail("malformed number");
        }
        if (pos_ < text_.size()) {
            const char e = upperChar(text_[pos_]);
            if (e == 'E' || e == 'D') {  // D: the exponent letter of double-precision constants
                digits += 'E';
                ++pos_;
                if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) digits += text_[pos_++];
                if (pos_ >= text_.size() || !isDigit(text_[pos_])) {
                    pos_ = start;
                    fail("malformed number (exponent without digits)");
                }
                while (pos_ < text_.size() && isDigit(text_[pos_])) digits += text_[pos_++];
            }
        }
        if (pos_ < text_.size() && (isLetter(text_[pos_]) || text_[pos_] == '_' || text_[pos_] == '.')) {
            pos_ = start;
            fail("malformed number");
        }
        // from_chars: the decimal point is "." whatever the process locale says.
        double v = 0;
        const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (res.ec != std::errc() || !std::isfinite(v)) {
            pos_ = start;
            fail("number out of range");
        }
        out.push_back({Op::Number, 0, v});
    }

    void nameOrCall(Program& out) {
        const std::size_t start = pos_;
        std::string name;
        while (pos_ < text_.size() && (isLetter(text_[pos_]) || isDigit(text_[pos_]) || text_[pos_] == '_'))
            name += upperChar(text_[pos_++]);
        skipBlanks();
        if (pos_ < text_.size() && text_[pos_] == '(') {
            const FunctionInfo* f = findFunction(name);
            if (!f) {
                pos_ = start;
                fail("unknown function " + name);
            }
            DepthGuard guard(*this);
            ++pos_;
            if (f->op == Op::Integral) return integral(out, start);
            int count = 0;
            do {
                sum(out);
                ++count;
            } while (accept(','));
            if (!accept(')')) fail("\")\" is missing after the arguments of " + name);
            checkCount(*f, count, start);
            out.push_back({f->op, count});
            return;
        }
        int slot = -1;
        try {
            slot = resolve_(name, inRate_ > 0);
        } catch (const ExpressionError& e) {
            if (e.column() != 0) throw;
            pos_ = start;
            fail(e.what());  // the resolver's text at the place of the name
        }
        if (slot < 0) {
            pos_ = start;
            if (findFunction(name)) fail(name + " is a function and needs an argument in parentheses");
            fail("undefined name " + name);
        }
        out.push_back({Op::Load, slot});
    }

    void checkCount(const FunctionInfo& f, int count, std::size_t start) {
        if (count >= f.minArgs && (f.maxArgs < 0 || count <= f.maxArgs)) return;
        pos_ = start;
        std::string want;
        if (f.maxArgs < 0)
            want = "at least " + std::to_string(f.minArgs) + " arguments";
        else
            want = std::to_string(f.minArgs) + (f.minArgs == 1 ? " argument" : " arguments");
        fail(std::string(f.name) + " takes " + want);
    }

    // INTEG(rate, initial): the rate may use names defined later in the deck.
    void integral(Program& out, std::size_t start) {
        Expression::Integral item;
        ++inRate_;
        sum(item.rate);
        --inRate_;
        if (!accept(',')) {
            if (accept(')')) checkCount(*findFunction("INTEG"), 1, start);
            fail("\",\" is missing between the arguments of INTEG");
        }
        sum(item.initial);
        if (accept(',')) checkCount(*findFunction("INTEG"), 3, start);
        if (!accept(')')) fail("\")\" is missing after the arguments of INTEG");
        target_.integrals_.push_back(std::move(item));
        out.push_back({Op::Integral, static_cast<int>(target_.integrals_.size() - 1)});
    }

    std::string_view text_;
    const NameResolver& resolve_;
    Expression& target_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    int inRate_ = 0;
};

Expression Expression::parse(std::string_view text, const NameResolver& resolve) {
    Expression e;
    ExpressionCompiler(text, resolve, e).compileAll();
    return e;
}

double Expression::evaluateText(std::string_view text) {
    Expression e = parse(text, [](const std::string&, bool) { return -1; });
    return e.evaluate({});
}

bool Expression::isFunctionName(const std::string& upperName) { return findFunction(upperName) != nullptr; }

double Expression::evaluate(const std::vector<double>& values) { return run(program_, values); }

void Expression::advance(const std::vector<double>& values, double dt) {
    // All rates first, from the values of one and the same step, then the states.
    for (auto& item : integrals_) item.pendingRate = run(item.rate, values);
    for (auto& item : integrals_) {
        if (!item.started) continue;  // an INTEG inside another's rate starts when that rate is first run
        const double next = item.state + dt * item.pendingRate;
        if (!std::isfinite(next)) throw EvaluationError("overflow in INTEG");
        item.state = next;
    }
}

namespace {
[[noreturn]] void overflow() { throw EvaluationError("overflow (a value beyond the range of numbers)"); }
inline double checked(double v) {
    if (!std::isfinite(v)) overflow();
    return v;
}
}  // namespace

double Expression::run(const Program& program, const std::vector<double>& values) {
    const std::size_t base = stack_.size();
    auto pop = [this]() {
        const double v = stack_.back();
        stack_.pop_back();
        return v;
    };
    try {
        for (const Instr& in : program) {
            switch (in.op) {
            case Op::Number: stack_.push_back(in.value); break;
            case Op::Load: stack_.push_back(values[static_cast<std::size_t>(in.arg)]); break;
            case Op::Integral: {
                Integral& item = integrals_[static_cast<std::size_t>(in.arg)];
                if (!item.started) {
                    item.state = run(item.initial, values);
                    item.started = true;
                }
                stack_.push_back(item.state);
                break;
            }
            case Op::Neg: stack_.back() = -stack_.back(); break;
            case Op::Add: { const double b = pop(); stack_.back() = checked(stack_.back() + b); break; }
            case Op::Sub: { const double b = pop(); stack_.back() = checked(stack_.back() - b); break; }
            case Op::Mul: { const double b = pop(); stack_.back() = checked(stack_.back() * b); break; }
            case Op::Div: {
                const double b = pop();
                if (b == 0) throw EvaluationError("division by zero");
                stack_.back() = checked(stack_.back() / b);
                break;
            }
            case Op::Pow: {
                const double b = pop();
                const double a = stack_.back();
                if (a == 0 && b < 0) throw EvaluationError("division by zero (zero raised to a negative power)");
                if (a < 0 && b != std::trunc(b))
                    throw EvaluationError("negative number raised to a fractional power");
                stack_.back() = checked(std::pow(a, b));
                break;
            }
            case Op::Int: stack_.back() = std::trunc(stack_.back()); break;
            case Op::Abs: stack_.back() = std::fabs(stack_.back()); break;
            case Op::Sqrt:
                if (stack_.back() < 0) throw EvaluationError("SQRT of a negative number");
                stack_.back() = std::sqrt(stack_.back());
                break;
            case Op::Exp: stack_.back() = checked(std::exp(stack_.back())); break;
            case Op::Ln:
                if (stack_.back() <= 0) throw EvaluationError("LN of a number that is not positive");
                stack_.back() = std::log(stack_.back());
                break;
            case Op::Log:
                if (stack_.back() <= 0) throw EvaluationError("LOG of a number that is not positive");
                stack_.back() = std::log10(stack_.back());
                break;
            case Op::Sin: stack_.back() = std::sin(stack_.back()); break;
            case Op::Cos: stack_.back() = std::cos(stack_.back()); break;
            case Op::Tan: stack_.back() = checked(std::tan(stack_.back())); break;
            case Op::Atan: stack_.back() = std::atan(stack_.back()); break;
            case Op::Min:
            case Op::Max: {
                double r = pop();
                for (int i = 1; i < in.arg; ++i) {
                    const double v = pop();
                    r = in.op == Op::Min ? (v < r ? v : r) : (v > r ? v : r);
                }
                stack_.push_back(r);
                break;
            }
            case Op::Mod: {
                const double b = pop();
                if (b == 0) throw EvaluationError("division by zero in MOD");
                stack_.back() = std::fmod(stack_.back(), b);
                break;
            }
            }
        }
    } catch (...) {
        stack_.resize(base);
        throw;
    }
    const double result = stack_.back();
    stack_.resize(base);
    return result;
}

}  // namespace kalvex
