#!/usr/bin/env python3
"""Mutation pass over the core: does the test suite notice a small fault?

Copies the tree to a scratch folder, builds the core tests there (no windows,
no CLI; ccache when present), checks that they pass, then applies each
mutation below on its own, rebuilds, runs the core tests and restores the
file. A mutation is killed when a test fails (or hangs past the time limit),
survives when every test passes, and is stillborn when it does not compile
(not counted). The list and the last score are kept in docs/mutation.md.

  scripts/mutate.py [--work DIR] [--jobs N] [--only SUBSTRING ...]

Exit status: 0 when every mutation was killed, 1 when any survived, 2 when
the copy did not build or its tests failed before any mutation.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

# (file, text found exactly once, replacement, what the fault means)
MUTATIONS = [
    # Statistics of the result pages
    ("core/regression/Statistics.cpp", "Sff / (m - 1)", "Sff / m", "F numerator df m instead of m − 1"),
    ("core/regression/Statistics.cpp", "const int df1 = m - 1;", "const int df1 = m;", "F test shows df m"),
    ("core/regression/Statistics.cpp", "CheckedDivide(ssr, N - m)", "CheckedDivide(ssr, N)", "SE divides by N"),
    ("core/regression/Statistics.cpp", "return CheckedDivide(Syf * Syf, denominator);", "return CheckedDivide(Syf, std::sqrt(denominator));", "R instead of R²"),
    ("core/regression/Statistics.cpp", "if (f < 1e-5L) return std::nullopt;", "if (f < 0) return std::nullopt;", "relative error accepts tiny fitted values"),
    ("core/regression/Statistics.cpp", "halfWidths[0] = t * CheckedSqrt(Finite(s2 * (CheckedDivide(1, data.N) + quadratic)));", "halfWidths[0] = t * CheckedSqrt(Finite(s2 * quadratic));", "intercept limit without 1/N"),
    ("core/regression/Statistics.cpp", "static_cast<double>(state.conditions.alpha / 2));", "static_cast<double>(state.conditions.alpha));", "linear limits with a one-sided t"),
    ("core/regression/Statistics.cpp", "return std::llrint(std::nearbyint(v));", "return std::llrint(std::floor(v));", "degrees of freedom rounded down"),
    # The Marquardt iteration
    ("core/regression/Fitting.cpp", "static_cast<double>(conditions_.alpha / 2));", "static_cast<double>(conditions_.alpha));", "Marquardt limits with a one-sided t"),
    ("core/regression/Fitting.cpp", "std::clamp(2 - ratio, 2.0L, 10.0L)", "std::clamp(2 - ratio, 3.0L, 10.0L)", "λ growth clamp 3..10"),
    ("core/regression/Fitting.cpp", "std::clamp(2 - ratio, 2.0L, 10.0L)", "std::clamp(2 - ratio, 2.0L, 20.0L)", "λ growth clamp 2..20"),
    ("core/regression/Fitting.cpp", "if (ratio >= 0.75L) {", "if (ratio >= 0.9L) {", "λ halves only above R = 0.9"),
    ("core/regression/Fitting.cpp", "lambda /= 2;", "lambda /= 4;", "λ quartered after a good step"),
    ("core/regression/Fitting.cpp", "if (lambda < lambdaRestart_) lambda = 0;", "", "λ never returns to 0"),
    ("core/regression/Fitting.cpp", "if (iterations_ > conditions_.maxIterations)", "if (iterations_ >= conditions_.maxIterations)", "one solve fewer than the limit"),
    ("core/regression/Fitting.cpp", "return Finite(-quadratic - 2 * lambda * dampedSquared);", "return Finite(-quadratic - lambda * dampedSquared);", "predicted reduction without 2λ"),
    ("core/regression/Fitting.cpp", "const long double next = h / 10;", "const long double next = h / 2;", "increment search halves"),
    ("core/regression/Fitting.cpp", "if (!(std::fabs(step[static_cast<std::size_t>(j)]) <= conditions_.tolerances[static_cast<std::size_t>(j)]))", "if (!(std::fabs(step[static_cast<std::size_t>(j)]) <= 10 * conditions_.tolerances[static_cast<std::size_t>(j)]))", "tolerance ten times looser"),
    # Models and the evaluator
    ("core/regression/Models.cpp", "if (exponent == 0) return 1;", "if (exponent == 0) return 0;", "allometric power: x^0 is 0"),
    ("core/expression/Arithmetic.h", "if (exponent < 0) result = check(1.0L / result);", "", "integer power ignores a negative exponent"),
    ("core/expression/Arithmetic.h", "if (base == 0.0L && exponent > 0.0L) return 0.0L;", "if (base == 0.0L) return 0.0L;", "0 to a negative power is 0"),
    ("core/expression/Arithmetic.cpp", "case kPsgn: return x > 0.0L ? 1.0L : 0.0L;", "case kPsgn: return x >= 0.0L ? 1.0L : 0.0L;", "PSGN(0) is 1"),
    ("core/expression/Arithmetic.cpp", "case kLog10: return Checked(std::log10(x));", "case kLog10: return Checked(std::log(x));", "LOG10 is LN"),
    ("core/expression/Condition.cpp", 'if (word == "GE") return left >= right;', 'if (word == "GE") return left > right;', "GE is GT"),
    # Distributions
    ("core/regression/Distributions.cpp", "if (x > 0) return 0.5L + AdaptiveIntegral(density, 0, x) / kSqrtTwoPi;", "if (x > 0) return 0.5L + AdaptiveIntegral(density, 0, x) / 2.5L;", "normal density constant"),
    # Data
    ("core/data/Selection.cpp", "if (v.step < 1) return fail(kStepBelowOneMessage, true);", "if (v.step < 0) return fail(kStepBelowOneMessage, true);", "row step 0 accepted"),
    ("core/regression/FitState.cpp", "Syy = sumWy2 - yMean * yMean * N;", "Syy = sumWy2 - yMean * yMean;", "Syy without N"),
    ("core/data/FieldRule.cpp", "if (c != '\"') unquoted.push_back(c);", "unquoted.push_back(c);", "quotes stay in a field read in place"),
    ("core/common/NumberFormat.cpp", "if (E >= -3 && E <= precision) {", "if (E >= -4 && E <= precision) {", "one more leading zero before the exponent form"),
    ("core/common/NumberFormat.cpp", "while (digits.size() > 1 && digits.back() == '0') digits.pop_back();", "", "trailing zeros kept"),
    # Tools
    ("core/tools/KendallScore.cpp", "result.S = untied - 2 * discordant;", "result.S = untied - discordant;", "Kendall S counts discordant pairs once"),
    ("core/tools/KendallScore.cpp", "x.T1 * y.T1 / (2 * n * (n - 1));", "x.T1 * y.T1 / (n * (n - 1));", "Kendall variance tie term doubled"),
    ("core/tools/KendallTest.cpp", "result.z = (static_cast<long double>(std::llabs(result.S)) - 1) / std::sqrt(result.variance);", "result.z = static_cast<long double>(std::llabs(result.S)) / std::sqrt(result.variance);", "no continuity correction"),
    ("core/tools/CubicSpline.cpp", "const long double c3 = (second[i + 1] - second[i]) / (6 * h(i));", "const long double c3 = (second[i + 1] - second[i]) / (3 * h(i));", "cubic term doubled"),
    ("core/tools/NiceRange.cpp", "for (int m = k - 1; m <= k + 1; ++m) {", "for (int m = k; m <= k + 1; ++m) {", "axis ticks: one candidate fewer"),
]

def run(command, cwd, timeout=None):
    return subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          timeout=timeout)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--work", default="/tmp/kurvex-mutate")
    parser.add_argument("--jobs", type=int, default=2)
    parser.add_argument("--timeout", type=int, default=300, help="seconds for one test run")
    parser.add_argument("--only", nargs="*", default=[], help="mutations whose text contains one of these")
    args = parser.parse_args()

    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    source = os.path.join(args.work, "src")
    build = os.path.join(args.work, "build")
    os.makedirs(args.work, exist_ok=True)
    # A fresh copy of what the core tests need (the core, the tests, the seed
    # corpora the replay tests read); the build folder is kept for speed.
    shutil.rmtree(source, ignore_errors=True)
    os.makedirs(source)
    for item in ["CMakeLists.txt", "core", "tests"]:
        path = os.path.join(root, item)
        if os.path.isdir(path):
            shutil.copytree(path, os.path.join(source, item))
        else:
            shutil.copy2(path, source)

    configure = ["cmake", "-S", source, "-B", build, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
                 "-DKURVEX_BUILD_GUI=OFF", "-DKURVEX_BUILD_CLI=OFF", "-DKURVEX_BUILD_TESTS=ON"]
    if shutil.which("ccache"):
        configure.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
    build_command = ["cmake", "--build", build, "-j", str(args.jobs)]
    test_command = ["ctest", "--test-dir", build, "-j", str(args.jobs), "--stop-on-failure", "--timeout",
                    str(args.timeout)]

    result = run(configure, args.work)
    if result.returncode != 0:
        print(result.stdout)
        return 2
    result = run(build_command, args.work)
    started = time.time()
    if result.returncode != 0 or run(test_command, args.work).returncode != 0:
        print("the unchanged copy does not build or pass its tests", file=sys.stderr)
        print(result.stdout[-4000:], file=sys.stderr)
        return 2
    print(f"unchanged copy: tests pass ({time.time() - started:.0f} s)", flush=True)

    selected = [m for m in MUTATIONS if not args.only or any(o in m[1] or o in m[3] for o in args.only)]
    killed, survived, stillborn = [], [], []
    for number, (file, original, replacement, meaning) in enumerate(selected, 1):
        path = os.path.join(source, file)
        with open(path, encoding="utf-8") as f:
            text = f.read()
        if text.count(original) != 1:
            print(f"{number:2} {file}: the text to mutate is found {text.count(original)} times: {original!r}",
                  file=sys.stderr)
            stillborn.append(meaning)
            continue
        with open(path, "w", encoding="utf-8") as f:
            f.write(text.replace(original, replacement))
        started = time.time()
        try:
            if run(build_command, args.work).returncode != 0:
                verdict = "stillborn"
                stillborn.append(meaning)
            else:
                try:
                    passed = run(test_command, args.work, timeout=args.timeout * 4).returncode == 0
                except subprocess.TimeoutExpired:
                    passed = False
                verdict = "SURVIVED" if passed else "killed"
                (survived if passed else killed).append(meaning)
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
        print(f"{number:2} {verdict:9} {time.time() - started:4.0f} s  {file}: {meaning}", flush=True)

    run(build_command, args.work)  # leave the build matching the unchanged copy
    counted = len(killed) + len(survived)
    score = 100.0 * len(killed) / counted if counted else 0.0
    print(f"score: {len(killed)} of {counted} killed ({score:.0f} %), {len(stillborn)} stillborn")
    for meaning in survived:
        print(f"survivor: {meaning}")
    return 1 if survived else 0


if __name__ == "__main__":
    sys.exit(main())
