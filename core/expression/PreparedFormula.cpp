#include "core/expression/PreparedFormula.h"

#include <array>
#include <limits>
#include <unordered_map>

#include "core/expression/Arithmetic.h"
#include "core/expression/EvaluationMessages.h"
#include "core/expression/Evaluator.h"
#include "core/expression/ReductionRules.h"

namespace kurvex {

namespace {

using Operation = PreparedFormula::Operation;
using Instruction = PreparedFormula::Instruction;

// Records what the rules do instead of doing it.
class RecordingOperations {
public:
    explicit RecordingOperations(std::vector<Instruction>& program) : program_(program) {}

    void Power(int target, int exponentSlot, bool negateExponent) {
        Add(negateExponent ? Operation::PowerNegated : Operation::Power, target, exponentSlot);
    }
    void Negate(int slot) { Add(Operation::Negate, slot, 0); }
    void Binary(char op, int target, int source) {
        switch (op) {
            case '+': Add(Operation::Add, target, source); break;
            case '-': Add(Operation::Subtract, target, source); break;
            case '*': Add(Operation::Multiply, target, source); break;
            default: Add(Operation::Divide, target, source); break;
        }
    }
    void Function(int code, int slot) { Add(Operation::Function, slot, 0, code); }

private:
    void Add(Operation operation, int target, int source, int function = 0) {
        program_.push_back({operation, static_cast<std::uint8_t>(target), static_cast<std::uint8_t>(source),
                            static_cast<std::uint8_t>(function)});
    }
    std::vector<Instruction>& program_;
};

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// Each thread keeps its own cache, so no locking; a long run over many
// distinct formulas starts the cache afresh rather than growing without end.
constexpr std::size_t kCacheCapacity = 4096;

struct FormulaCache {
    std::unordered_map<std::string, PreparedFormula, TextHash, std::equal_to<>> entries;
    const PreparedFormula* last = nullptr;
};

thread_local FormulaCache cache;

}  // namespace

PreparedFormula PrepareFormula(std::string_view formula) {
    PreparedFormula prepared;
    prepared.text_ = std::string(formula);

    std::string tokens;
    std::vector<OperandSource> operands;
    constexpr std::size_t kAnyLength = std::numeric_limits<std::size_t>::max();
    if (!BuildTokenString(formula, kAnyLength, kAnyLength, tokens, operands) || tokens.empty()) return prepared;
    prepared.resolves_ = true;
    for (std::size_t k = 0; k < operands.size(); ++k) {
        const OperandSource& source = operands[k];
        const int slot = static_cast<int>(k) + 1;
        switch (source.kind) {
            case OperandSource::Kind::Variable:
                prepared.requiredVariables_ = std::max(prepared.requiredVariables_, source.index + 1);
                prepared.variableLoads_.push_back({source.index, slot});
                break;
            case OperandSource::Kind::Coefficient:
                prepared.requiredCoefficients_ = std::max(prepared.requiredCoefficients_, source.index + 1);
                prepared.coefficientLoads_.push_back({source.index, slot});
                break;
            case OperandSource::Kind::Constant: prepared.constantLoads_.push_back({source.value, slot}); break;
        }
    }

    const int operandCount = static_cast<int>(operands.size());
    RecordingOperations recorder(prepared.instructions_);
    for (;;) {
        if (reduction::Reduce(tokens, operandCount, recorder) == ReduceOutcome::CalculationError) {
            prepared.endsInCalculationError_ = true;
            break;
        }
        if (tokens.size() == 3) {
            prepared.resultSlot_ = reduction::FinalSlot(tokens, operandCount);
            prepared.endsInCalculationError_ = prepared.resultSlot_ == 0;
            break;
        }
    }
    prepared.instructions_.shrink_to_fit();
    return prepared;
}

long double EvaluatePrepared(const PreparedFormula& formula, std::span<const double> x, std::span<const double> c) {
    if (!formula.resolves_ || x.size() < formula.requiredVariables_ || c.size() < formula.requiredCoefficients_) {
        RaiseFormatError();
    }
    std::array<long double, kMaxOperands + 1> slots;
    slots[0] = 0.0L;  // the unused second operand of one-slot operations
    for (const auto& load : formula.variableLoads_) slots[load.slot] = x[load.index];
    for (const auto& load : formula.coefficientLoads_) slots[load.slot] = c[load.index];
    for (const auto& load : formula.constantLoads_) slots[load.slot] = load.value;
    for (const Instruction& step : formula.instructions_) {
        long double& target = slots[step.target];
        const long double source = slots[step.source];
        switch (step.operation) {
            case Operation::Power: target = arithmetic::Power(target, source); break;
            case Operation::PowerNegated: target = arithmetic::Power(target, -source); break;
            case Operation::Negate: target = -target; break;
            case Operation::Add: target = arithmetic::ApplyBinary('+', target, source); break;
            case Operation::Subtract: target = arithmetic::ApplyBinary('-', target, source); break;
            case Operation::Multiply: target = arithmetic::ApplyBinary('*', target, source); break;
            case Operation::Divide: target = arithmetic::ApplyBinary('/', target, source); break;
            case Operation::Function: target = arithmetic::ApplyFunction(step.function, target); break;
        }
    }
    if (formula.endsInCalculationError_) RaiseCalculationError();
    return arithmetic::Checked(slots[formula.resultSlot_]);
}

const PreparedFormula& CachedPreparedFormula(std::string_view formula) {
    if (cache.last != nullptr && cache.last->Text() == formula) return *cache.last;
    auto found = cache.entries.find(formula);
    if (found == cache.entries.end()) {
        if (cache.entries.size() >= kCacheCapacity) {
            cache.last = nullptr;
            cache.entries.clear();
        }
        found = cache.entries.emplace(std::string(formula), PrepareFormula(formula)).first;
    }
    cache.last = &found->second;
    return found->second;
}

long double EvaluateFormula(std::string_view formula, std::span<const double> x, std::span<const double> c) {
    return EvaluatePrepared(CachedPreparedFormula(formula), x, c);
}

}  // namespace kurvex
