// The engine's expressions: precedence, unary minus, numbers, functions, names,
// INTEG, and the faults of text and of evaluation.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>

#include "expression.h"

using kalvex::EvaluationError;
using kalvex::Expression;
using kalvex::ExpressionError;

namespace {

struct Case {
    const char* text;
    double expected;
};

}  // namespace

TEST(ExpressionValues, PrecedenceAssociativityAndUnaryMinus) {
    const Case cases[] = {
        {"1+2*3", 7},        {"(1+2)*3", 9},     {"10-4-3", 3},      {"100/10/5", 2},   {"2*3^2", 18},
        {"2^3^2", 512},      {"-2^2", -4},       {"(-2)^2", 4},      {"2^-1", 0.5},     {"--3", 3},
        {"-(-3)", 3},        {"3*-2", -6},       {"+4", 4},          {"1 - -1", 2},     {"-2*-3", 6},
        {" 1 +\t2 ", 3},     {"2^2^-1", std::sqrt(2.0)},             {"-1+2", 1},      {"8/2*4", 16},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(Expression::evaluateText(c.text), c.expected) << c.text;
}

TEST(ExpressionValues, NumberForms) {
    const Case cases[] = {{"1.5E3", 1500}, {"1.5e-3", 0.0015}, {".5", 0.5}, {"1.", 1},
                          {"2D2", 200},    {"7E+1", 70},        {"0", 0},    {"007", 7}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(Expression::evaluateText(c.text), c.expected) << c.text;
}

TEST(ExpressionValues, Functions) {
    const double pi = std::acos(-1.0);
    const Case cases[] = {
        {"INT(2.7)", 2},   {"INT(-2.7)", -2},   {"ABS(-3)", 3},         {"SQRT(16)", 4},    {"EXP(0)", 1},
        {"LN(EXP(2))", 2}, {"LOG(1000)", 3},    {"SIN(0)", 0},          {"COS(0)", 1},      {"TAN(0)", 0},
        {"ATAN(1)", pi / 4}, {"MIN(3,1,2)", 1}, {"MAX(3, 1, 2)", 3},    {"MOD(7,3)", 1},    {"MOD(-7,3)", -1},
        {"sqrt(4)", 2},    {"Max(1,2)", 2},     {"MIN(MAX(1,5),4)", 4}, {"ABS(-2)^2", 4},   {"-SQRT(4)", -2},
    };
    for (const auto& c : cases) EXPECT_NEAR(Expression::evaluateText(c.text), c.expected, 1e-12) << c.text;
}

TEST(ExpressionErrors, FaultsOfTheTextNameTheirPlace) {
    struct Bad {
        const char* text;
        const char* message;  // part of the message
        std::size_t column;
    };
    const Bad cases[] = {
        {"", "empty", 1},
        {"1+", "missing at the end", 3},
        {"(1+2", "\")\" is missing", 5},
        {"1+2)", "without a matching", 4},
        {"FOO(1)", "unknown function FOO", 1},
        {"SQRT(1,2)", "SQRT takes 1 argument", 1},
        {"MIN(1)", "MIN takes at least 2 arguments", 1},
        {"MOD(1,2,3)", "MOD takes 2 arguments", 1},
        {"2X", "malformed number", 1},
        {"1E", "exponent without digits", 1},
        {"1 + AREA", "undefined name AREA", 5},
        {"1 # 2", "\"#\" where an operator was expected", 3},
        {"2 3", "\"3\" where an operator was expected", 3},
        {"*2", "\"*\" where a value was expected", 1},
        {"SQRT", "SQRT is a function", 1},
        {"()", "a value is missing before", 2},
        {"1E999", "out of range", 1},
    };
    for (const auto& c : cases) {
        try {
            Expression::evaluateText(c.text);
            ADD_FAILURE() << "no error for \"" << c.text << "\"";
        } catch (const ExpressionError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.text << ": " << e.what();
            EXPECT_EQ(e.column(), c.column) << c.text << ": " << e.what();
        }
    }
}

TEST(ExpressionErrors, NestingIsBoundedButLongChainsAreFine) {
    const std::string deep = std::string(200, '(') + "1" + std::string(200, ')');
    EXPECT_THROW(Expression::evaluateText(deep), ExpressionError);
    EXPECT_THROW(Expression::evaluateText(std::string(500, '-') + "1"), ExpressionError);
    EXPECT_THROW(Expression::evaluateText(std::string(300, '(')), ExpressionError);
    EXPECT_DOUBLE_EQ(Expression::evaluateText(std::string(30, '(') + "2" + std::string(30, ')')), 2);

    // A long flat sum is evaluated without recursion.
    std::string sum = "1";
    for (int i = 0; i < 20000; ++i) sum += "+1";
    EXPECT_DOUBLE_EQ(Expression::evaluateText(sum), 20001);
}

TEST(ExpressionErrors, EvaluationFaults) {
    const char* cases[][2] = {
        {"1/0", "division by zero"},          {"1/(2-2)", "division by zero"},
        {"MOD(1,0)", "division by zero"},     {"0^-1", "division by zero"},
        {"SQRT(-1)", "SQRT of a negative"},   {"LN(0)", "LN of a number that is not positive"},
        {"LOG(-1)", "LOG of a number"},       {"(-8)^0.5", "fractional power"},
        {"EXP(1000)", "overflow"},            {"1E308*10", "overflow"},
        {"-1E308-1E308", "overflow"},         {"10^400", "overflow"},
    };
    for (const auto& c : cases) {
        try {
            Expression::evaluateText(c[0]);
            ADD_FAILURE() << "no error for " << c[0];
        } catch (const EvaluationError& e) {
            EXPECT_NE(std::string(e.what()).find(c[1]), std::string::npos) << c[0] << ": " << e.what();
        }
    }
    EXPECT_DOUBLE_EQ(Expression::evaluateText("(-8)^(1/1)"), -8);  // a whole power of a negative number is fine
}

TEST(ExpressionNames, ResolvedToSlotsAndReadAtEachEvaluation) {
    std::map<std::string, int> slots{{"TIME", 0}, {"AREA", 1}, {"Q_IN2", 2}};
    auto resolve = [&](const std::string& name, bool) {
        const auto it = slots.find(name);
        return it == slots.end() ? -1 : it->second;
    };
    Expression e = Expression::parse("area * q_in2 + TIME", resolve);
    std::vector<double> values{0.5, 3, 4};
    EXPECT_DOUBLE_EQ(e.evaluate(values), 12.5);
    values[0] = 10;
    EXPECT_DOUBLE_EQ(e.evaluate(values), 22);
}

TEST(ExpressionNames, ResolverFaultsCarryTheColumnOfTheName) {
    auto resolve = [](const std::string& name, bool) -> int {
        if (name == "LATER") throw ExpressionError("LATER is defined only further down", 0);
        return -1;
    };
    try {
        Expression::parse("2 * LATER", resolve);
        FAIL();
    } catch (const ExpressionError& e) {
        EXPECT_STREQ(e.what(), "LATER is defined only further down");
        EXPECT_EQ(e.column(), 5u);
    }
}

TEST(ExpressionIntegral, EulerStepsFromTheInitialValue) {
    std::vector<bool> rateFlags;
    auto resolve = [&](const std::string& name, bool inRate) {
        rateFlags.push_back(inRate);
        return name == "R" ? 1 : name == "X0" ? 2 : -1;
    };
    Expression e = Expression::parse("10 + INTEG(R, X0)", resolve);
    EXPECT_TRUE(e.hasIntegrals());
    EXPECT_EQ(rateFlags, (std::vector<bool>{true, false}));  // only the rate argument may look ahead

    std::vector<double> values{0, 2, 1};
    EXPECT_DOUBLE_EQ(e.evaluate(values), 11);  // the initial value
    e.advance(values, 0.5);
    EXPECT_DOUBLE_EQ(e.evaluate(values), 12);
    values[1] = -4;
    e.advance(values, 0.5);
    EXPECT_DOUBLE_EQ(e.evaluate(values), 10);
    values[2] = 100;  // the initial value counts only once
    EXPECT_DOUBLE_EQ(e.evaluate(values), 10);

    EXPECT_THROW(Expression::parse("INTEG(1)", resolve), ExpressionError);
    EXPECT_THROW(Expression::parse("INTEG(1, 2, 3)", resolve), ExpressionError);
    EXPECT_FALSE(Expression::parse("1+2", resolve).hasIntegrals());
}
