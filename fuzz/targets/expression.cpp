// The stand-in engine's expression compiler: any text compiles or gives an
// ExpressionError; a compiled one evaluates or gives an EvaluationError.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "expression.h"
#include "fuzzsupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Budget budget(size);
    const std::string_view text(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 4096));
    // Names of one letter are slots 1..26; TIME is slot 0.
    const kalvex::NameResolver resolve = [](const std::string& name, bool) -> int {
        if (name == "TIME") return 0;
        if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') return name[0] - 'A' + 1;
        return -1;
    };
    std::vector<double> values(27);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = 0.5 * static_cast<double>(i) - 3;
    try {
        kalvex::Expression e = kalvex::Expression::parse(text, resolve);
        for (int step = 0; step < 3; ++step) {
            (void)e.evaluate(values);
            e.advance(values, 0.1);
        }
    } catch (const kalvex::ExpressionError& e) {
        FUZZ_CHECK(e.column() <= text.size() + 1);
    } catch (const kalvex::EvaluationError&) {
    }
    try {
        (void)kalvex::Expression::evaluateText(text);
    } catch (const kalvex::ExpressionError&) {
    } catch (const kalvex::EvaluationError&) {
    }
    return 0;
}
