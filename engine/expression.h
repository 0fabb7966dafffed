// The stand-in engine's expressions: the right-hand sides of CONSTANTS and
// EQUATIONS lines, compiled once to a small stack program and evaluated per step.
#pragma once
#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kalvex {

// A fault in the text of an expression; column is 1-based within that text.
class ExpressionError : public std::runtime_error {
public:
    ExpressionError(const std::string& message, std::size_t column)
        : std::runtime_error(message), column_(column) {}
    std::size_t column() const { return column_; }

private:
    std::size_t column_;
};

// A fault while computing a value (division by zero, a function outside its
// domain, overflow).
class EvaluationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Resolves an upper-cased name to a slot of the value array. `inRate` is true
// inside the rate argument of INTEG, where names defined later may be used.
// Returns -1 for an unknown name; may throw ExpressionError with a precise text.
using NameResolver = std::function<int(const std::string& name, bool inRate)>;

class Expression {
public:
    static constexpr int kMaxNesting = 64;

    Expression() = default;
    // Compiles the text; throws ExpressionError.
    static Expression parse(std::string_view text, const NameResolver& resolve);

    // The value for the current slot values. INTEG terms give their state (set
    // from their initial-value argument on the first evaluation). Throws
    // EvaluationError.
    double evaluate(const std::vector<double>& values);
    // Advances every INTEG term of this expression by one explicit Euler step
    // with its rate computed from the values of the step just evaluated.
    void advance(const std::vector<double>& values, double dt);
    bool hasIntegrals() const { return !integrals_.empty(); }

    // Evaluates a text that uses no names (numbers, operators, functions).
    static double evaluateText(std::string_view text);

    // True when the text is a function name (such names cannot be defined).
    static bool isFunctionName(const std::string& upperName);

    // Op codes of the stack program; public for the compiler in the .cpp only.
    enum class Op : unsigned char {
        Number, Load, Integral, Neg, Add, Sub, Mul, Div, Pow,
        Int, Abs, Sqrt, Exp, Ln, Log, Sin, Cos, Tan, Atan, Min, Max, Mod
    };
    struct Instr {
        Op op;
        int arg = 0;        // slot, integral index, or argument count
        double value = 0;   // number
    };
    using Program = std::vector<Instr>;
    struct Integral {
        Program initial;
        Program rate;
        double state = 0;
        bool started = false;
        double pendingRate = 0;
    };

private:
    friend class ExpressionCompiler;
    double run(const Program& program, const std::vector<double>& values);

    Program program_;
    std::vector<Integral> integrals_;
    std::vector<double> stack_;
};

}  // namespace kalvex
