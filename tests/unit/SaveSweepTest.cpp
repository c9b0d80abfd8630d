// Every save the program makes, with each of its file steps failing in turn,
// once or from then on (a full disk), with each kind of error: after every
// failure the old file or the new one is whole, the text is in exactly one
// place that the message names (or the message says it is nowhere), an
// unreadable file's bytes survive, and nothing else is left behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>

#include "ConfigUnit.h"
#include "LevelUnit.h"
#include "PexPlatform.h"
#include "TempFolder.h"
#include "TestFiles.h"
#include "TestSystem.h"

namespace fs = std::filesystem;

namespace {

// One save: the file it writes, what the file held before (Missing for none),
// and whether the text goes to the recovery folders when the file fails.
struct TSavePath {
    const char* Name;
    const char* File;  // under the test's folder
    const char* Old;
    bool Recovers;
    std::function<void(const std::string&)> Prepare;  // more set-up, given the folder
    std::function<std::string()> NewText;
    std::function<void(const std::string&)> Save;
};

const char* const Missing = nullptr;
const std::string Marked = "\xEF\xBB\xBFmole_ladder.level\r\nheight 1\r\nwidth 1\r\ndata\r\n";

void SetGrid() {
    LevelGrid = {{1, 2, 3}, {4, 5, 6}};
}

const TSavePath SavePaths[] = {
    {"LevelOverALevel", "level/default/1.txt", "mole_ladder.level\r\nheight 1\r\nwidth 1\r\n", true,
     nullptr, [] { return LevelText(); }, [](const std::string& F) { SaveLevel(F); }},
    {"LevelOverAnUnreadableFile", "1.txt", Marked.c_str(), true, nullptr,
     [] { return LevelText(); }, [](const std::string& F) { SaveLevel(F); }},
    {"LevelInFoldersToBeMade", "new/default/1.txt", Missing, true, nullptr,
     [] { return LevelText(); }, [](const std::string& F) { SaveLevel(F); }},
    // The level's folder is a file: only the recovery can keep the edits.
    {"LevelRecovered", "blocked/1.txt", Missing, true,
     [](const std::string& Dir) { WriteBytes(Dir + "blocked", "user data"); },
     [] { return LevelText(); }, [](const std::string& F) { SaveLevel(F); }},
    {"Settings", "pex.ini", "[Screen]\nFullScreen=1\n; the user's\n", false, nullptr,
     [] {
         return std::string(
             "[Screen]\r\nFullScreen=0\r\nWidth=800\r\nHeight=600\r\nBPP=32\r\n\r\n");
     },
     [](const std::string& F) {
         FullScreen = false;
         ScreenWidth = 800;
         ScreenHeight = 600;
         ScreenBPP = 32;
         SaveScreenSettingsTo(F);
     }},
};

// Names the save in the test's name and trace.
void PrintTo(const TSavePath& Path, std::ostream* Stream) {
    *Stream << Path.Name;
}

// Every file under Folder, by its path.
std::set<std::string> FilesUnder(const std::string& Folder) {
    std::set<std::string> Files;
    for (const auto& Entry : fs::recursive_directory_iterator(Folder))
        if (!Entry.is_directory()) Files.insert(Entry.path().string());
    return Files;
}

bool Contains(const std::string& Text, const std::string& Part) {
    return Text.find(Part) != std::string::npos;
}

// A save in a fresh folder, with the step Step failing as asked (0: none): the
// steps it took, and after it the promise checked.
int64_t SaveAndCheck(const TSavePath& Path, int64_t Step, int Code, bool Persist) {
    TTempFolder Dir, State, Temporary;
    // Put back afterwards: the test framework's own folders are under TEMP.
    const TVariable StateHome("XDG_STATE_HOME", State.Path), Local("LOCALAPPDATA", State.Path),
        TmpDir("TMPDIR", Temporary.Path), Temp("TEMP", Temporary.Path), Tmp("TMP", Temporary.Path);
    const std::string File = Dir.Path + fs::path(Path.File).make_preferred().string();
    if (Path.Old) {
        fs::create_directories(fs::path(File).parent_path());
        WriteBytes(File, Path.Old);
    }
    if (Path.Prepare) Path.Prepare(Dir.Path);
    const std::set<std::string> Before = FilesUnder(Dir.Path);
    SetGrid();
    const std::string New = Path.NewText();

    std::string Message;
    testing::internal::CaptureStderr();
    PlatformFailFileStep(Step, Code, Persist);
    try {
        Path.Save(File);
    } catch (const std::runtime_error& Error) {
        Message = Error.what();
    }
    const int64_t Steps = PlatformFileSteps();
    PlatformFailFileStep(0, 0);
    testing::internal::GetCapturedStderr();

    SCOPED_TRACE(std::string(Path.Name) + ", step " + std::to_string(Step) + " of error " +
                 std::to_string(Code) + (Persist ? " from then on" : " once") + ": " + Message);
    const bool Exists = fs::exists(File);
    const std::string Now = Exists ? ReadBytes(File) : std::string();
    if (Message.empty()) {
        EXPECT_EQ(Now, New);
    } else {
        // A failed save leaves the old file whole, and says so.
        EXPECT_EQ(Exists, Path.Old != Missing);
        if (Path.Old) {
            EXPECT_EQ(Now, Path.Old);
        }
        EXPECT_EQ(Message.rfind("Cannot create file \"" + File + "\". ", 0), 0u);
    }

    // What may be there afterwards: the files that were, the file saved, the
    // old bytes kept, and the one recovery file the message names.
    std::set<std::string> Recoveries, Kept;
    for (const std::string& Folder : {State.Path, Temporary.Path})
        for (const std::string& Name : FilesUnder(Folder)) Recoveries.insert(Name);
    for (const std::string& Name : FilesUnder(Dir.Path)) {
        if (Before.count(Name) != 0 || Name == File) continue;
        EXPECT_TRUE(Contains(Name, ".unreadable")) << "left behind: " << Name;
        Kept.insert(Name);
    }
    if (!Message.empty() && Path.Recovers) {
        const size_t At = Message.find(". The level was saved to \"");
        if (At == std::string::npos) {
            EXPECT_TRUE(Contains(Message, "could not be saved anywhere else either: "));
            EXPECT_TRUE(Recoveries.empty());
        } else {
            EXPECT_EQ(Recoveries.size(), 1u);
            const std::string Named =
                Message.substr(At + 26, Message.rfind("\" instead.") - At - 26);
            EXPECT_EQ(Recoveries.count(Named), 1u) << Named;
            if (Recoveries.count(Named) != 0) {
                EXPECT_EQ(ReadBytes(Named), New);
            }
        }
    } else {
        EXPECT_TRUE(Recoveries.empty());
    }
    // Bytes the reader refuses survive, beside the file or as it.
    if (Path.Old && Path.Old == Marked.c_str() && Now != Path.Old) {
        EXPECT_EQ(Kept.size(), 1u);
        if (!Kept.empty()) {
            EXPECT_EQ(ReadBytes(*Kept.begin()), Path.Old);
        }
    }
    return Steps;
}

class SaveSweep : public ::testing::TestWithParam<TSavePath> {
protected:
    void SetUp() override { InitLevel(); }
    void TearDown() override { DoneLevel(); }
};

}  // namespace

TEST_P(SaveSweep, EveryStepFailingLosesNothingAndLeavesNothing) {
    const TSavePath& Path = GetParam();
    const int64_t Steps = SaveAndCheck(Path, 0, 0, false);
    ASSERT_GT(Steps, 2);
    for (const int Code : FileStepErrors)
        for (const bool Persist : {false, true})
            for (int64_t Step = 1; Step <= Steps; ++Step) {
                SaveAndCheck(Path, Step, Code, Persist);
                if (HasFailure()) return;  // one failing step tells enough
            }
}

INSTANTIATE_TEST_SUITE_P(EverySave, SaveSweep, ::testing::ValuesIn(SavePaths),
                         [](const ::testing::TestParamInfo<TSavePath>& Info) {
                             return std::string(Info.param.Name);
                         });
