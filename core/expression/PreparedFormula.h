#pragma once
// A formula reduced once into a short program of operations on operand slots.
// The reduction rules look only at the token string, so the operations they
// perform are the same for every point; replaying them gives the same bits,
// the same faults and the same messages as rewriting the string each time.
//
// For hot loops: prepare once, then evaluate per point without any lookup or
// allocation.
//     const PreparedFormula model = PrepareFormula("C0/(1+EXP(C1-C2*X1))");
//     for (...) y = EvaluatePrepared(model, x, c);
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/expression/Tokenizer.h"

namespace kurvex {

class PreparedFormula {
public:
    enum class Operation : std::uint8_t { Power, PowerNegated, Negate, Add, Subtract, Multiply, Divide, Function };
    struct Instruction {
        Operation operation;
        std::uint8_t target;
        std::uint8_t source;    // second operand's slot
        std::uint8_t function;  // function code for Operation::Function
    };

    const std::string& Text() const { return text_; }
    // False when the formula can never be evaluated (a name that resolves to
    // nothing, or more than 99 operands): every evaluation is a format error.
    bool Resolves() const { return resolves_; }
    // Lengths of the variable and coefficient vectors the formula needs.
    std::size_t RequiredVariables() const { return requiredVariables_; }
    std::size_t RequiredCoefficients() const { return requiredCoefficients_; }
    std::size_t InstructionCount() const { return instructions_.size(); }

private:
    friend PreparedFormula PrepareFormula(std::string_view formula);
    friend long double EvaluatePrepared(const PreparedFormula& formula, std::span<const double> x,
                                        std::span<const double> c);

    std::string text_;
    bool resolves_ = false;
    bool endsInCalculationError_ = false;
    int resultSlot_ = 0;
    std::size_t requiredVariables_ = 0;
    std::size_t requiredCoefficients_ = 0;
    // Where each slot's starting value comes from, by kind, so the per-point
    // loads need no branching.
    struct IndexedLoad {
        std::size_t index;
        int slot;
    };
    struct ConstantLoad {
        long double value;
        int slot;
    };
    std::vector<IndexedLoad> variableLoads_;
    std::vector<IndexedLoad> coefficientLoads_;
    std::vector<ConstantLoad> constantLoads_;
    std::vector<Instruction> instructions_;
};

// Reduces the formula (normalised text, as for EvaluateFormula) once.
PreparedFormula PrepareFormula(std::string_view formula);

// Same contract as EvaluateFormula.
long double EvaluatePrepared(const PreparedFormula& formula, std::span<const double> x, std::span<const double> c);

// The prepared form of a formula from this thread's cache (prepared on first
// use). The reference holds until the next call on this thread.
const PreparedFormula& CachedPreparedFormula(std::string_view formula);

}  // namespace kurvex
