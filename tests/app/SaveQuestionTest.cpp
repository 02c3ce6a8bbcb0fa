// Data captured from the device are never lost unasked: closing the window, Exit, Open, File New
// (button and Ctrl+N), a new download and a port change each ask whether to save them first. "Ja" saves
// (through Save As, the document has no file yet) and goes on only if that worked, "Nein" goes
// on, "Abbrechen" stops with everything as it was. Saved data are replaced without a question.
#include "AppFixture.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QToolButton>

#include <ostream>
#include <tuple>

namespace {

enum class Answer { yesAndSaved, yesButSaveAsCancelled, no, cancel };

const char* NameOf(Answer answer)
{
    static const char* const kNames[] = {"JaAndSaved", "JaButSaveAsCancelled", "Nein", "Abbrechen"};
    return kNames[static_cast<int>(answer)];
}

void PrintTo(Answer answer, std::ostream* os)
{
    *os << NameOf(answer);
}

const std::vector<UserAction> kEveryAction = {UserAction::closeWindow,    UserAction::exitFromMenu,
                                              UserAction::openByKey,      UserAction::newFromToolbar,
                                              UserAction::newByKey,       UserAction::downloadFromToolbar,
                                              UserAction::portChange};

int ButtonFor(Answer answer)
{
    switch (answer) {
    case Answer::no: return framework::IDNO;
    case Answer::cancel: return framework::IDCANCEL;
    default: return framework::IDYES;
    }
}

}  // namespace

class SaveQuestionBase : public AppTest {
protected:
    // The captured data, and for a download the device found again on another port, so that
    // the download buttons are enabled while the data are still unsaved.
    void Prepare(UserAction action)
    {
        StartDevice();
        ASSERT_NO_FATAL_FAILURE(StartActive());
        ASSERT_NO_FATAL_FAILURE(CaptureData());
        if (action == UserAction::downloadFromToolbar) {
            setenv("V24_COM2", device->SlavePath().c_str(), 1);
            doc->m_dlgInterface.m_nPortIndex = 1;
            Tick();
            ASSERT_EQ(view->m_bIdentified, 0);
            ASSERT_NO_FATAL_FAILURE(Identify());
            Idle();
            ASSERT_TRUE(Button(ID_ALL_DATA)->isEnabled());
        }
    }
};

class SaveQuestionTest : public SaveQuestionBase, public ::testing::WithParamInterface<std::tuple<UserAction, Answer>> {};

TEST_P(SaveQuestionTest, AsksBeforeCapturedDataAreReplacedAndFollowsTheAnswer)
{
    const auto [action, answer] = GetParam();
    ASSERT_NO_FATAL_FAILURE(Prepare(action));
    ASSERT_TRUE(doc->IsModified());
    const std::string captured = Data(*doc);
    const std::string saved = dir.file("saved.txt");
    boxes.boxes.clear();
    boxes.texts.clear();
    boxes.answers = {ButtonFor(answer)};
    if (answer == Answer::yesAndSaved)
        fileAnswers.push_back(QString::fromStdString(saved));
    const size_t dialogsBefore = fileRequests.size();

    Do(action);

    ASSERT_EQ(boxes.boxes.size(), 1u) << "one question, and no other box";
    EXPECT_EQ(boxes.boxes[0].text, kSaveQuestion);
    EXPECT_EQ(boxes.boxes[0].type & 0xFu, framework::MB_YESNOCANCEL);
    EXPECT_EQ(boxes.boxes[0].caption, "VEQ_32_C");

    const bool asksForAFile = answer == Answer::yesAndSaved || answer == Answer::yesButSaveAsCancelled;
    const size_t openDialogs = action == UserAction::openByKey ? 1 : 0;
    ASSERT_EQ(fileRequests.size() - dialogsBefore, openDialogs + (asksForAFile ? 1 : 0));
    if (asksForAFile) {
        EXPECT_FALSE(fileRequests.back().open) << "Ja saves through Save As";
    }
    if (answer == Answer::yesAndSaved) {
        EXPECT_EQ(ReadWholeFile(saved), AsSaved(captured));
    } else {
        EXPECT_FALSE(FileExists(saved));
    }

    const bool goesOn = answer == Answer::yesAndSaved || answer == Answer::no;
    EXPECT_EQ(WentOn(action), goesOn);
    if (!goesOn) {
        EXPECT_TRUE(frame->isVisible());
        EXPECT_EQ(Data(*doc), captured);
        EXPECT_TRUE(doc->IsModified());
        EXPECT_EQ(State(), kStateIdle);
        EXPECT_EQ(doc->GetPathName(), "");
    }
    if (goesOn && (action == UserAction::newFromToolbar || action == UserAction::newByKey)) {
        Tick();
        EXPECT_EQ(Data(*doc), "");
        EXPECT_FALSE(doc->IsModified());
    }
}

INSTANTIATE_TEST_SUITE_P(
    ActionsAndAnswers, SaveQuestionTest,
    ::testing::Combine(::testing::ValuesIn(kEveryAction),
                       ::testing::Values(Answer::yesAndSaved, Answer::yesButSaveAsCancelled, Answer::no,
                                         Answer::cancel)),
    [](const ::testing::TestParamInfo<std::tuple<UserAction, Answer>>& info) {
        return std::string(NameOf(std::get<0>(info.param))) + "_" + NameOf(std::get<1>(info.param));
    });

class SavedDataTest : public SaveQuestionBase, public ::testing::WithParamInterface<UserAction> {};

TEST_P(SavedDataTest, AreReplacedWithoutAQuestion)
{
    const UserAction action = GetParam();
    ASSERT_NO_FATAL_FAILURE(Prepare(action));
    fileAnswers.push_front(QString::fromStdString(dir.file("saved.txt")));
    QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(FileExists(dir.file("saved.txt")));
    ASSERT_FALSE(doc->IsModified());
    boxes.boxes.clear();

    Do(action);

    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(WentOn(action));
}

INSTANTIATE_TEST_SUITE_P(Actions, SavedDataTest, ::testing::ValuesIn(kEveryAction),
                         [](const ::testing::TestParamInfo<UserAction>& info) { return std::string(NameOf(info.param)); });

// SIGTERM and SIGINT end the program without the question once the unsaved data are in the
// capture history, and say where they are.
TEST_F(SaveQuestionBase, StopSignalEndsWithoutAQuestionAndTellsWhereTheDataAre)
{
    ASSERT_NO_FATAL_FAILURE(Prepare(UserAction::closeWindow));
    ASSERT_TRUE(doc->IsModified());
    const QString kept = view->LastCapture();
    ASSERT_FALSE(kept.isEmpty());
    boxes.boxes.clear();
    testing::internal::CaptureStderr();
    theApp.OnStopSignal();
    const std::string said = testing::internal::GetCapturedStderr();

    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(said, "korva: the unsaved data are kept in " + kept.toStdString() + "\n");
    EXPECT_EQ(ReadWholeFile(kept.toStdString()), AsSaved(Data(*doc)));
}
