// The run of unit initialisations and finalisations around the main procedure.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "Program.h"

namespace {

std::vector<std::string> Log;
std::vector<std::string> Reports;

void Report(const std::string& Message) {
    Reports.push_back(Message);
}

#define LOGGING_STEP(Name)    \
    void Name() {             \
        Log.push_back(#Name); \
    }
LOGGING_STEP(InitA)
LOGGING_STEP(DoneA)
LOGGING_STEP(InitB)
LOGGING_STEP(DoneB)
LOGGING_STEP(DoneC)
LOGGING_STEP(InitD)
LOGGING_STEP(DoneD)
LOGGING_STEP(Body)

void FailingInit() {
    Log.push_back("FailingInit");
    throw std::runtime_error("cannot start");
}
void FailingBody() {
    Log.push_back("FailingBody");
    throw std::runtime_error("Cannot open file \"x\". No such file or directory");
}
void FailingDone() {
    Log.push_back("FailingDone");
    throw std::runtime_error("cannot write settings");
}

struct ProgramTest : ::testing::Test {
    void SetUp() override {
        Log.clear();
        Reports.clear();
    }
};

TEST_F(ProgramTest, InitialisationsInOrderFinalisationsInReverse) {
    const TUnitRow Rows[] = {{"A", InitA, DoneA},
                             {"B", InitB, DoneB},
                             {"C", nullptr, DoneC},
                             {"Empty", nullptr, nullptr},
                             {"D", InitD, DoneD}};
    EXPECT_EQ(RunProgram(Rows, 5, Body, Report), 0);
    EXPECT_EQ(Log, (std::vector<std::string>{"InitA", "InitB", "InitD", "Body", "DoneD", "DoneC",
                                             "DoneB", "DoneA"}));
    EXPECT_TRUE(Reports.empty());
}

TEST_F(ProgramTest, FailedInitialisationFinalisesOnlyTheUnitsThatStarted) {
    const TUnitRow Rows[] = {
        {"A", InitA, DoneA}, {"B", InitB, DoneB}, {"F", FailingInit, DoneC}, {"D", InitD, DoneD}};
    EXPECT_EQ(RunProgram(Rows, 4, Body, Report), 1);
    EXPECT_EQ(Log, (std::vector<std::string>{"InitA", "InitB", "FailingInit", "DoneB", "DoneA"}));
    EXPECT_EQ(Reports, std::vector<std::string>{"cannot start"});
}

TEST_F(ProgramTest, ErrorInTheBodyIsReportedBeforeEveryFinalisationRuns) {
    const TUnitRow Rows[] = {{"A", InitA, DoneA}, {"B", InitB, DoneB}};
    static std::vector<std::string>* LogAtReport;
    static std::vector<std::string> Seen;
    LogAtReport = &Log;
    EXPECT_EQ(RunProgram(Rows, 2, FailingBody,
                         [](const std::string& Message) {
                             Seen = *LogAtReport;
                             Reports.push_back(Message);
                         }),
              1);
    EXPECT_EQ(Seen, (std::vector<std::string>{"InitA", "InitB", "FailingBody"}))
        << "the box is shown before the finalisations";
    EXPECT_EQ(Log, (std::vector<std::string>{"InitA", "InitB", "FailingBody", "DoneB", "DoneA"}));
    EXPECT_EQ(Reports.size(), 1u);
}

TEST_F(ProgramTest, FailedFinalisationIsReportedAndTheOthersStillRun) {
    const TUnitRow Rows[] = {{"A", InitA, DoneA}, {"F", InitB, FailingDone}, {"D", InitD, DoneD}};
    EXPECT_EQ(RunProgram(Rows, 3, Body, Report), 1);
    EXPECT_EQ(Log, (std::vector<std::string>{"InitA", "InitB", "InitD", "Body", "DoneD",
                                             "FailingDone", "DoneA"}));
    EXPECT_EQ(Reports, std::vector<std::string>{"cannot write settings"});
}

}  // namespace
