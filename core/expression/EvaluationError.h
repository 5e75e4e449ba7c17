#pragma once
// The evaluator's failure, apart from the evaluator so that code which only
// catches it need not see the evaluator's internals.
#include <stdexcept>
#include <string>

namespace kurvex {

// The one failure callers see: a format error, a calculation error, or a
// floating-point fault (division by zero, invalid operation, overflow).
enum class EvaluationFault {
    Format,       // an identifier that does not resolve, or too many operands
    Calculation,  // a token string that cannot be reduced
    Numeric,      // division by zero, invalid operation or overflow
};

class EvaluationError : public std::runtime_error {
public:
    EvaluationError(const std::string& what, EvaluationFault fault) : std::runtime_error(what), fault_(fault) {}
    EvaluationFault fault() const { return fault_; }

private:
    EvaluationFault fault_;
};

}  // namespace kurvex
