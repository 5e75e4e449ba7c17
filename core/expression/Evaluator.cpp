#include "core/expression/Evaluator.h"

#include <vector>

#include "core/common/MessageSink.h"
#include "core/expression/Arithmetic.h"
#include "core/expression/EvaluationMessages.h"
#include "core/expression/ReductionRules.h"
#include "core/expression/Tokenizer.h"

namespace kurvex {

namespace {

// Computes each operation on the operand table as its rule fires.
class ImmediateOperations {
public:
    explicit ImmediateOperations(OperandTable& table) : slots_(table.slots) {}

    void Power(int target, int exponentSlot, bool negateExponent) {
        const long double exponent = negateExponent ? -slots_[exponentSlot] : slots_[exponentSlot];
        slots_[target] = arithmetic::Power(slots_[target], exponent);
    }
    void Negate(int slot) { slots_[slot] = -slots_[slot]; }
    void Binary(char op, int target, int source) {
        slots_[target] = arithmetic::ApplyBinary(op, slots_[target], slots_[source]);
    }
    void Function(int code, int slot) { slots_[slot] = arithmetic::ApplyFunction(code, slots_[slot]); }

private:
    std::array<long double, kMaxOperands + 1>& slots_;
};

void FillOperandTable(const std::vector<OperandSource>& operands, std::span<const double> x, std::span<const double> c,
                      OperandTable& table) {
    table.count = static_cast<int>(operands.size());
    for (std::size_t k = 0; k < operands.size(); ++k) {
        const OperandSource& source = operands[k];
        long double value = source.value;
        if (source.kind == OperandSource::Kind::Variable) value = x[source.index];
        if (source.kind == OperandSource::Kind::Coefficient) value = c[source.index];
        table.slots[k + 1] = value;
    }
}

}  // namespace

void RaiseFormatError() {
    ShowError(kFormatErrorMessage);
    throw EvaluationError(kFormatErrorMessage, EvaluationFault::Format);
}

void RaiseCalculationError() {
    ShowError(kEvaluationErrorMessage);
    throw EvaluationError(kEvaluationErrorMessage, EvaluationFault::Calculation);
}

std::string TokenizeFormula(std::string_view formula, std::span<const double> x, std::span<const double> c,
                            OperandTable& table) {
    std::string tokens;
    std::vector<OperandSource> operands;
    table.count = 0;
    if (!BuildTokenString(formula, x.size(), c.size(), tokens, operands)) return {};
    FillOperandTable(operands, x, c, table);
    return tokens;
}

ReduceOutcome ReduceStep(std::string& tokens, OperandTable& table) {
    ImmediateOperations operations(table);
    return reduction::Reduce(tokens, table.count, operations);
}

long double EvaluateFormulaByRewriting(std::string_view formula, std::span<const double> x, std::span<const double> c) {
    OperandTable table;
    std::string tokens = TokenizeFormula(formula, x, c, table);
    if (tokens.empty()) RaiseFormatError();
    for (;;) {
        if (ReduceStep(tokens, table) == ReduceOutcome::CalculationError) RaiseCalculationError();
        if (tokens.size() == 3) {
            const int slot = reduction::FinalSlot(tokens, table.count);
            if (slot == 0) RaiseCalculationError();
            return arithmetic::Checked(table.slots[slot]);
        }
    }
}

}  // namespace kurvex
