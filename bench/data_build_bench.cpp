// Time and peak memory of loading a large comma-separated file in streaming
// mode and building the data set from every one of its rows.
//
//   data_build_bench [lines] [columns]     (default 2000000 lines, 5 columns)
//
// Prints one line per phase and the peak resident set size of the process.
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "core/common/MessageSink.h"
#include "core/data/BuildDataSet.h"
#include "core/data/DataTable.h"
#include "core/data/Selection.h"

namespace {

double PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Answers the large-file question with Yes (streaming mode).
class YesSink : public kurvex::MessageSink {
public:
    kurvex::MessageAnswer Show(kurvex::MessageKind, const std::string& text, kurvex::MessageButtons buttons) override {
        if (buttons == kurvex::MessageButtons::Ok) std::fprintf(stderr, "message: %s\n", text.c_str());
        return kurvex::MessageAnswer::Yes;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const long long lines = argc > 1 ? std::atoll(argv[1]) : 2'000'000;
    const int columns = argc > 2 ? std::atoi(argv[2]) : 5;
    if (lines < 2 || columns < 2) {
        std::fprintf(stderr, "usage: data_build_bench [lines >= 2] [columns >= 2]\n");
        return 2;
    }
    const auto path = std::filesystem::temp_directory_path() / ("kurvex-bench-" + std::to_string(::getpid()) + ".csv");

    auto start = std::chrono::steady_clock::now();
    {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) return 1;
        std::mt19937_64 random(42);
        std::uniform_real_distribution<double> noise(-1, 1);
        std::string line;
        std::fputs("y", file);
        for (int c = 2; c <= columns; ++c) std::fprintf(file, ",x%d", c - 1);
        std::fputs("\n", file);
        char number[32];
        for (long long r = 1; r < lines; ++r) {
            line.clear();
            const double x = static_cast<double>(r) / lines * 10;
            std::snprintf(number, sizeof number, "%.6f", 2.5 + 1.5 * x + noise(random));
            line += number;
            for (int c = 2; c <= columns; ++c) {
                std::snprintf(number, sizeof number, ",%.6f", x * c + noise(random) * 1e-3);
                line += number;
            }
            line += '\n';
            std::fwrite(line.data(), 1, line.size(), file);
        }
        std::fclose(file);
    }
    const double megabytes = std::filesystem::file_size(path) / 1e6;
    std::printf("file: %lld lines x %d columns, %.1f MB, written in %.2f s\n", lines, columns, megabytes,
                SecondsSince(start));

    YesSink sink;
    kurvex::ScopedMessageSink guard(sink);
    kurvex::DataTable table;
    start = std::chrono::steady_clock::now();
    if (!table.LoadFile(path)) return 1;
    std::printf("load (streaming mode: %s): %.2f s, %lld lines\n",
                table.Mode() == kurvex::ReadMode::Streaming ? "yes" : "no", SecondsSince(start), table.LineCount());

    kurvex::SelectionSettings settings;
    settings.variableCount = std::to_string(columns - 1);
    settings.yColumn = "1";
    settings.yTransform = "Y";
    for (int i = 1; i < columns; ++i) settings.x[i - 1] = {std::to_string(i + 1), "X"};
    const kurvex::ReadCheckResult check = kurvex::CheckReadSettings(settings, table.DataColumnCount());
    if (!check.ok) {
        std::fprintf(stderr, "%s\n", check.message.c_str());
        return 1;
    }
    const auto selection = kurvex::PrepareSelection(check.values, table);
    if (!selection) return 1;

    kurvex::TFitData data;
    start = std::chrono::steady_clock::now();
    const kurvex::BuildResult built = kurvex::BuildDataSet(*selection, table, data);
    const double buildSeconds = SecondsSince(start);
    std::printf("build (plain columns): %.2f s, %d points of %lld candidates\n", buildSeconds, data.n,
                selection->candidateCount);

    // The same with transforms that need the evaluator and a row condition.
    kurvex::SelectionValues transformed = check.values;
    transformed.yTransform = "LN(ABS(Y)+1)";
    transformed.xTransforms[0] = "X*X";
    transformed.conditionOn = true;
    transformed.condition = "(Y>0)AND(A2<9)";
    const auto selection2 = kurvex::PrepareSelection(transformed, table);
    kurvex::TFitData data2;
    start = std::chrono::steady_clock::now();
    const bool built2 = selection2 && kurvex::BuildDataSet(*selection2, table, data2).ok();
    std::printf("build (transforms and condition): %.2f s, %d points\n", SecondsSince(start), built2 ? data2.n : 0);

    std::printf("peak resident memory: %.0f MB\n", PeakMegabytes());
    std::filesystem::remove(path);
    return built.ok() && data.n == lines - 1 ? 0 : 1;
}
