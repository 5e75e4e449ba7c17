// Writing faults: a full disk, an unwritable folder, a write that dies half
// way, a file-size limit hit by the kernel. Every settings, list and table
// file must keep its previous content, leave no temporary file behind, and
// the user must be told. A save keeps what the user set on the file (its
// permissions, its links), and a settings file that could not be read is
// never replaced by defaults.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <functional>
#include <string>
#include <vector>

#include "core/common/FileIo.h"
#include "core/common/IniFile.h"
#include "core/data/DataTable.h"
#include "core/data/ReadSettings.h"
#include "core/equations/EquationList.h"
#include "tests/reliability/ReliabilitySupport.h"

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

TEST(WriteFaults, ASaveKeepsPermissionsLinksAndNoPlantedOrStaleFiles) {
    for (const Writer& writer : Writers()) {
        TempFolder folder;
        const fs::path file = folder.Write("target.txt", kPrevious);
        // A private file stays private.
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
        // The superuser saving another user's file leaves it that user's.
        const bool giveAway = ::geteuid() == 0;
        if (giveAway) {
            ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
        }
        // A symbolic link planted under the temporary name of earlier versions
        // must not redirect the write.
        const fs::path victim = folder.Write("victim.txt", kPrevious);
        fs::create_symlink(victim, folder.Path() / ("target.txt.tmp-" + std::to_string(::getpid())));
        // Temporary files of a crashed save: an old one goes, a fresh one (a
        // save going on in another window) stays.
        const std::string stale = std::string(".target.txt") + kTemporaryFileMarker + "Abc123def456.tmp";
        const std::string fresh = std::string(".target.txt") + kTemporaryFileMarker + "Fresh0000000.tmp";
        folder.Write(fresh, "x");
        const fs::path stalePath = folder.Write(stale, "x");
        const timeval twoHoursAgo[2] = {{::time(nullptr) - 7200, 0}, {::time(nullptr) - 7200, 0}};
        ASSERT_EQ(::utimes(stalePath.c_str(), twoHoursAgo), 0);

        std::string told;
        ASSERT_TRUE(writer.write(file, told)) << writer.name << ": " << told;
        EXPECT_NE(TempFolder::ReadFile(file), kPrevious) << writer.name;
        EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write) << writer.name;
        EXPECT_EQ(TempFolder::ReadFile(victim), kPrevious) << writer.name;
        struct stat owner {};
        ASSERT_EQ(::stat(file.c_str(), &owner), 0);
        if (giveAway) {
            EXPECT_EQ(owner.st_uid, 65534u) << writer.name;
        }
        EXPECT_FALSE(fs::exists(stalePath)) << writer.name;
        EXPECT_TRUE(fs::exists(folder.Path() / fresh)) << writer.name;

        // A file with a second hard link: both names see the new content.
        const fs::path other = folder.Path() / "other-name.txt";
        const fs::path linked = folder.Write("linked.txt", kPrevious);
        fs::create_hard_link(linked, other);
        ASSERT_TRUE(writer.write(linked, told)) << writer.name << ": " << told;
        EXPECT_NE(TempFolder::ReadFile(other), kPrevious) << writer.name;
        EXPECT_EQ(TempFolder::ReadFile(other), TempFolder::ReadFile(linked)) << writer.name;
        EXPECT_EQ(fs::hard_link_count(linked), 2u) << writer.name;
        // A failing save leaves the hard-linked file as it was.
        const std::string before = TempFolder::ReadFile(linked);
        {
            FailureAfterBytes failure(3);
            EXPECT_FALSE(writer.write(linked, told)) << writer.name;
        }
        EXPECT_EQ(TempFolder::ReadFile(other), before) << writer.name;
    }
}

// Settings files that exist but cannot be read: each is reported once at its
// read and never written over for the rest of the run, so a restart with the
// file readable again finds everything the user had.
TEST(ReadFaults, AnUnreadableSettingsFileIsReportedOnceAndKept) {
    const bool superuser = ::geteuid() == 0;
    for (const bool pipe : {true, false}) {
        if (!pipe && superuser) continue;  // the superuser reads files of mode 000
        TempFolder folder;
        const std::string ini = "[File]\nNumber of Listed Files=1\nFile 0=/home/user/a.csv\n";
        const std::string list = "y = C0*X1,mine,X1\n";
        std::vector<fs::path> files;
        for (const char* name : {"kurvex.ini", kReadParameterFileName, kTempTableSheetFileName, kEquationFileName}) {
            const fs::path path = folder.Path() / name;
            if (pipe) {
                ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
            } else {
                folder.Write(name, path.filename() == kEquationFileName ? list : ini);
                fs::permissions(path, fs::perms::none);
            }
            files.push_back(path);
        }
        ::alarm(20);  // a blocking open of the pipe would hang the run
        RecordingMessageSink sink;
        ScopedMessageSink guard(sink);
        // At the start: the main settings, the data-read settings, the list.
        const IniFile main = IniFile::Load(files[0]);
        SelectionSettings settings;
        ReadReadSettings(files[1], settings);
        EquationList equations;
        EXPECT_FALSE(equations.Load(files[3]));
        EXPECT_EQ(sink.messages.size(), 3u) << (pipe ? "pipe" : "mode 000");
        // The data window's snapshot at its showing, the user's own save, the
        // close: nothing is written, and only what was not told yet is told.
        EXPECT_FALSE(WriteReadSettings(files[2], settings));
        EXPECT_FALSE(WriteReadSettings(files[2], settings));
        EXPECT_FALSE(WriteReadSettings(files[1], settings));
        IniFile closing = IniFile::Load(files[0]);
        closing.WriteInteger("File", "Number of Listed Files", 0);
        std::string error;
        EXPECT_FALSE(closing.Save(files[0], &error));
        EXPECT_TRUE(IsKeptSettingsFile(files[0]));
        EXPECT_EQ(sink.messages.size(), 4u) << ShownTexts(sink);
        // A registration is the user's own act: it is refused with its message.
        EXPECT_FALSE(equations.Add("C0", "c", {"1"}));
        EXPECT_EQ(sink.messages.size(), 5u);
        ::alarm(0);
        for (const fs::path& path : files) {
            if (pipe) {
                EXPECT_EQ(fs::status(path).type(), fs::file_type::fifo) << path;
                continue;
            }
            fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
            EXPECT_EQ(TempFolder::ReadFile(path), path.filename() == kEquationFileName ? list : ini) << path;
        }
        EXPECT_EQ(FolderContents(folder.Path()).size(), 4u);
    }
    ForgetKeptSettingsFiles();
}

// A data file chosen in the open dialog or the recent-file list that is no
// regular file: /dev/zero used to grow memory until the program ended,
// /dev/urandom to loop for ever, a pipe to freeze the window in open().
TEST(ReadFaults, OnlyRegularFilesAreReadAsData) {
    TempFolder folder;
    const fs::path pipe = folder.Path() / "measurements.csv";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const fs::path good = folder.Write("good.csv", "1,2\n3,4\n");
    ::alarm(20);  // a blocking open or an endless read would hang the run
    for (const fs::path& source : {fs::path("/dev/zero"), fs::path("/dev/urandom"), pipe}) {
        DataTable table;
        ASSERT_TRUE(table.LoadFile(good));
        RecordingMessageSink sink;
        ScopedMessageSink guard(sink);
        EXPECT_FALSE(table.LoadFile(source)) << source;
        ASSERT_EQ(sink.messages.size(), 1u) << source;
        EXPECT_NE(sink.messages[0].text.find("通常のファイルではありません"), std::string::npos)
            << sink.messages[0].text;
        EXPECT_EQ(table.CurrentFile(), good) << source;  // the table loaded before stays
        EXPECT_EQ(table.DataCell(2, 2), "4") << source;
    }
    ::alarm(0);
}

}  // namespace
}  // namespace kurvex::reliability
