// Writing faults: a full disk, an unwritable folder, a write that dies half
// way, a file-size limit hit by the kernel. Every settings, list and table
// file must keep its previous content, leave no temporary file behind, and
// the user must be told.
#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "ReliabilitySupport.h"
#include "common/FileIo.h"
#include "common/IniFile.h"
#include "data/DataTable.h"
#include "data/ReadSettings.h"
#include "equations/EquationList.h"

namespace kurvex::reliability {
namespace {

namespace fs = std::filesystem;

// One of the program's file writers: writes `path` and says whether it did;
// `told` is what the user learns of a failure (message box or error text).
struct Writer {
    const char* name;
    std::function<bool(const fs::path& path, std::string& told)> write;
};

std::string ShownTexts(const RecordingMessageSink& sink) {
    std::string text;
    for (const RecordedMessage& message : sink.messages) text += message.text;
    return text;
}

template <typename Save>
bool WithSink(std::string& told, Save save) {
    RecordingMessageSink sink;
    ScopedMessageSink guard(sink);
    const bool ok = save();
    told = ShownTexts(sink);
    return ok;
}

std::vector<Writer> Writers() {
    return {
        {"main settings file (IniFile::Save)",
         [](const fs::path& path, std::string& told) {
             IniFile ini;
             ini.WriteString("File", "Current Directory", std::string(80, 'd'));
             ini.WriteInteger("File", "Number of Listed Files", 1);
             ini.WriteString("File", "File 0", "/home/user/data/measurements.csv");
             return ini.Save(path, &told);
         }},
        {"data-read settings (WriteReadSettings)",
         [](const fs::path& path, std::string& told) {
             return WithSink(told, [&] {
                 SelectionSettings settings;
                 settings.yTransform = "LN(Y)";
                 return WriteReadSettings(path, settings);
             });
         }},
        {"equation list (EquationList::Save)",
         [](const fs::path& path, std::string& told) {
             return WithSink(told, [&] {
                 EquationList list;
                 return list.Save(path);
             });
         }},
        {"data table (DataTable::SaveTable)",
         [](const fs::path& path, std::string& told) {
             return WithSink(told, [&] {
                 DataTable table;
                 table.Reset(3, 21);
                 for (int r = 1; r <= 20; ++r)
                     for (int c = 1; c <= 2; ++c) table.SetCell(c, r, std::to_string(r * 10 + c) + ".125");
                 return table.SaveTable(path);
             });
         }},
    };
}

const std::string kPrevious = "previous content, which must survive\n";

// Nothing but the expected files in the folder: no temporary file left over.
std::vector<std::string> FolderContents(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class FailureAfterBytes {
public:
    explicit FailureAfterBytes(long long bytes) { SetAtomicWriteFailureAfterBytes(bytes); }
    ~FailureAfterBytes() { SetAtomicWriteFailureAfterBytes(-1); }
};

TEST(WriteFaults, AWriteThatDiesHalfWayLeavesThePreviousFile) {
    int simulated = 0;
    for (const Writer& writer : Writers()) {
        for (const long long after : {0LL, 1LL, 7LL, 40LL, 100000LL}) {
            TempFolder folder;
            const fs::path file = folder.Write("target.txt", kPrevious);
            std::string told;
            {
                FailureAfterBytes failure(after);
                EXPECT_FALSE(writer.write(file, told)) << writer.name << " after " << after;
            }
            ++simulated;
            EXPECT_EQ(TempFolder::ReadFile(file), kPrevious) << writer.name << " after " << after;
            EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::string>{"target.txt"}) << writer.name;
            EXPECT_NE(told.find("No space left on device"), std::string::npos) << writer.name << ": " << told;
            // Without the fault the same writer replaces the file.
            EXPECT_TRUE(writer.write(file, told)) << writer.name;
            EXPECT_NE(TempFolder::ReadFile(file), kPrevious) << writer.name;
        }
    }
    RecordProperty("simulated", simulated);
}

TEST(WriteFaults, AFullDeviceIsReportedAndStaysADevice) {
    for (const Writer& writer : Writers()) {
        std::string told;
        EXPECT_FALSE(writer.write("/dev/full", told)) << writer.name;
        EXPECT_NE(told.find("No space left on device"), std::string::npos) << writer.name << ": " << told;
        struct stat info {};
        ASSERT_EQ(::stat("/dev/full", &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode)) << writer.name << " replaced /dev/full";
        // A device that takes everything is written in place, not replaced.
        EXPECT_TRUE(writer.write("/dev/null", told)) << writer.name << ": " << told;
        ASSERT_EQ(::stat("/dev/null", &info), 0);
        EXPECT_TRUE(S_ISCHR(info.st_mode)) << writer.name << " replaced /dev/null";
    }
}

TEST(WriteFaults, AnUnwritableFolderIsReported) {
    for (const Writer& writer : Writers()) {
        TempFolder folder;
        const fs::path notAFolder = folder.Write("plain-file", kPrevious);
        for (const fs::path& target : {notAFolder / "target.txt", fs::path("/proc/self/kurvex-target.txt"),
                                       folder.Path() / "missing-folder" / "target.txt"}) {
            std::string told;
            EXPECT_FALSE(writer.write(target, told)) << writer.name << " " << target;
            EXPECT_FALSE(told.empty()) << writer.name << " " << target;
        }
        EXPECT_EQ(TempFolder::ReadFile(notAFolder), kPrevious);
        // A folder where the file should be is refused and kept.
        fs::create_directory(folder.Path() / "a-folder");
        std::string told;
        EXPECT_FALSE(writer.write(folder.Path() / "a-folder", told)) << writer.name;
        EXPECT_NE(told.find("Is a directory"), std::string::npos) << writer.name << ": " << told;
        EXPECT_TRUE(fs::is_directory(folder.Path() / "a-folder"));
    }
}

TEST(WriteFaults, AReadOnlyFolderKeepsThePreviousFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "the superuser writes into read-only folders";
    for (const Writer& writer : Writers()) {
        TempFolder folder;
        const fs::path file = folder.Write("target.txt", kPrevious);
        fs::permissions(folder.Path(), fs::perms::owner_read | fs::perms::owner_exec);
        std::string told;
        EXPECT_FALSE(writer.write(file, told)) << writer.name;
        EXPECT_FALSE(told.empty()) << writer.name;
        fs::permissions(folder.Path(), fs::perms::owner_all);
        EXPECT_EQ(TempFolder::ReadFile(file), kPrevious) << writer.name;
        EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::string>{"target.txt"}) << writer.name;
    }
}

// The kernel refuses to grow any file beyond the limit (EFBIG), as on a quota.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST(WriteFaults, AFileSizeLimitMidWriteKeepsThePreviousFile) {
    for (const Writer& writer : Writers()) {
        TempFolder folder;
        const fs::path file = folder.Write("target.txt", kPrevious);
        std::string told;
        bool written = true;
        {
            FileSizeLimit limit(16);
            written = writer.write(file, told);
        }
        EXPECT_FALSE(written) << writer.name;
        EXPECT_NE(told.find("File too large"), std::string::npos) << writer.name << ": " << told;
        EXPECT_EQ(TempFolder::ReadFile(file), kPrevious) << writer.name;
        EXPECT_EQ(FolderContents(folder.Path()), std::vector<std::string>{"target.txt"}) << writer.name;
    }
}

TEST(WriteFaults, ASymbolicLinkStaysALinkToTheUpdatedFile) {
    for (const Writer& writer : Writers()) {
        TempFolder folder;
        fs::create_directory(folder.Path() / "real");
        const fs::path real = folder.Write("real/settings.txt", kPrevious);
        const fs::path link = folder.Path() / "link.txt";
        fs::create_symlink(real, link);
        std::string told;
        ASSERT_TRUE(writer.write(link, told)) << writer.name << ": " << told;
        EXPECT_TRUE(fs::is_symlink(link)) << writer.name;
        EXPECT_NE(TempFolder::ReadFile(real), kPrevious) << writer.name;
        EXPECT_EQ(FolderContents(folder.Path() / "real"), std::vector<std::string>{"settings.txt"}) << writer.name;
    }
}

}  // namespace
}  // namespace kurvex::reliability
