// Reading a large comma-separated file into a data set (Y from column 1, X1
// from column 2 of five) against a plain loop over the same file: read() in
// large blocks, cut lines and fields, std::from_chars for the two numbers.
//
//   csv_bench [lines] [repeats]     (default 2000000 lines, about 70 MB; 3 repeats)
//
// Kurvex's time is the whole way from the file to the data set: the load
// (streaming mode; it counts the lines and checks the encoding) and the build.
#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "core/common/MessageSink.h"
#include "core/data/BuildDataSet.h"
#include "core/data/DataTable.h"
#include "core/data/Selection.h"

namespace {

// Answers the large-file question with Yes (streaming mode).
class YesSink : public kurvex::MessageSink {
public:
    kurvex::MessageAnswer Show(kurvex::MessageKind, const std::string& text, kurvex::MessageButtons buttons) override {
        if (buttons == kurvex::MessageButtons::Ok) std::fprintf(stderr, "message: %s\n", text.c_str());
        return kurvex::MessageAnswer::Yes;
    }
};

// A header line and lines of five numbers with four decimals (35 bytes a line).
void WriteFile(const std::filesystem::path& path, long long lines) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::exit(1);
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> unit(0, 1);
    std::fputs("y,x1,x2,x3,x4\n", file);
    for (long long r = 1; r < lines; ++r) {
        const double x = unit(random) * 9.9;
        std::fprintf(file, "%.4f,%.4f,%.4f,%.4f,%.4f\n", 0.5 + 0.9 * x * unit(random), x, unit(random) * 9.9,
                     unit(random) * 9.9, unit(random) * 9.9);
    }
    std::fclose(file);
}

struct Columns {
    std::vector<double> y, x;
};

// The plain loop: block reads, memchr for line ends, commas by hand.
bool PlainRead(const std::filesystem::path& path, Columns& out) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    out.y.clear();
    out.x.clear();
    std::vector<char> buffer(1 << 20);
    std::size_t kept = 0;
    bool header = true;
    for (;;) {
        const ssize_t got = ::read(fd, buffer.data() + kept, buffer.size() - kept);
        if (got < 0) break;
        const char* begin = buffer.data();
        const char* end = begin + kept + got;
        for (;;) {
            const char* lineEnd = static_cast<const char*>(std::memchr(begin, '\n', end - begin));
            if (lineEnd == nullptr) {
                if (got == 0) lineEnd = end;  // a last line without a break
                else break;
            }
            if (header) {
                header = false;
            } else if (begin != lineEnd) {
                double y = 0, x = 0;
                const char* comma = static_cast<const char*>(std::memchr(begin, ',', lineEnd - begin));
                const auto first = std::from_chars(begin, comma ? comma : lineEnd, y);
                if (comma != nullptr) {
                    const char* next = comma + 1;
                    const char* comma2 = static_cast<const char*>(std::memchr(next, ',', lineEnd - next));
                    const auto second = std::from_chars(next, comma2 ? comma2 : lineEnd, x);
                    if (first.ec == std::errc() && second.ec == std::errc()) {
                        out.y.push_back(y);
                        out.x.push_back(x);
                    }
                }
            }
            begin = lineEnd + 1;
            if (begin >= end) break;
        }
        if (got == 0) break;
        kept = begin < end ? static_cast<std::size_t>(end - begin) : 0;
        std::memmove(buffer.data(), begin, kept);
    }
    ::close(fd);
    return true;
}

bool KurvexRead(const std::filesystem::path& path, kurvex::TFitData& data, double& buildSeconds) {
    kurvex::DataTable table;
    if (!table.LoadFile(path)) return false;
    kurvex::SelectionSettings settings;
    settings.variableCount = "1";
    settings.yColumn = "1";
    settings.yTransform = "Y";
    settings.x[0] = {"2", "X"};
    const kurvex::ReadCheckResult check = kurvex::CheckReadSettings(settings, table.DataColumnCount());
    if (!check.ok) return false;
    const auto selection = kurvex::PrepareSelection(check.values, table);
    if (!selection) return false;
    const double start = bench::CpuSeconds();
    const bool built = kurvex::BuildDataSet(*selection, table, data).ok();
    buildSeconds = bench::CpuSeconds() - start;
    return built;
}

}  // namespace

int main(int argc, char** argv) {
    const long long lines = argc > 1 ? std::atoll(argv[1]) : 2'000'000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    if (lines < 2 || repeats < 1) {
        std::fprintf(stderr, "usage: csv_bench [lines >= 2] [repeats >= 1]\n");
        return 2;
    }
    const auto path =
        std::filesystem::temp_directory_path() / ("kurvex-csv-bench-" + std::to_string(::getpid()) + ".csv");
    WriteFile(path, lines);
    const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / 1e6;

    YesSink sink;
    kurvex::ScopedMessageSink guard(sink);
    bench::BestTime plain, whole;
    double build = 0;
    Columns columns;
    kurvex::TFitData data;
    bool ok = true;
    for (int r = 0; r < repeats; ++r) {
        plain.Time([&] { ok = PlainRead(path, columns) && ok; });
        double buildSeconds = 0;
        whole.Time([&] { ok = KurvexRead(path, data, buildSeconds) && ok; });
        if (r == 0 || buildSeconds < build) build = buildSeconds;
    }
    std::filesystem::remove(path);
    bool same = ok && columns.y.size() == static_cast<std::size_t>(data.n);
    for (std::size_t i = 0; same && i < columns.y.size(); ++i)
        same = columns.y[i] == data.y[i] && columns.x[i] == data.x[i];
    std::printf("%lld lines, %.1f MB, best of %d runs; the data sets %s\n", lines, megabytes, repeats,
                same ? "agree" : "DIFFER");
    const double rate = megabytes / whole.Seconds();
    std::printf("Kurvex: %.0f MB/s (load and build; the build alone %s), plain loop: %.0f MB/s\n", rate,
                bench::Duration(build).c_str(), megabytes / plain.Seconds());

    bench::RatioTable table;
    table.Ratio("load + build data set", whole.Seconds(), "read + from_chars loop", plain.Seconds(), "<= 1.5",
                whole.Seconds() <= 1.5 * plain.Seconds());
    table.Absolute("load + build data set: " + std::to_string(static_cast<int>(rate)) + " MB/s", whole.Seconds(),
                   ">= 130 MB/s", rate >= 130);
    table.Print();
    return same ? 0 : 1;
}
