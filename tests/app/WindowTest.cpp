// The main window as it starts: caption and size, the toolbar's buttons, separators, images,
// prompts and tooltips, the status bar's panes, the menu with its items and identifiers, the
// About box, and the whole program run through its event loop until the window closes.
#include "AppFixture.h"

#include "CmdTarget.h"
#include "KorvaResources.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>

namespace {

const QString kNewCaption = "VEQ_32_C_DATA - DATA-TRANSFER";

// Calls look(widget) with the modal dialog as soon as one is shown, then closes it by
// reject() if look left it open; gives up after timeoutMs so that a missing dialog fails the
// test instead of hanging it.
void WhenModalShows(std::function<void(QWidget*)> look, int timeoutMs = 5000)
{
    auto* poll = new QTimer(qApp);
    auto waited = std::make_shared<int>(0);
    constexpr int kPollMs = 10;
    QObject::connect(poll, &QTimer::timeout, poll, [=] {
        *waited += kPollMs;
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && *waited < timeoutMs)
            return;
        poll->stop();
        poll->deleteLater();
        if (!modal)
            return;
        look(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
            dialog->reject();
    });
    poll->start(kPollMs);
}

QStringList LabelTexts(const QWidget* widget)
{
    QStringList texts;
    for (const QLabel* label : widget->findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

}  // namespace

using WindowTest = AppTest;

TEST_F(WindowTest, StartsAsOneShownWindowOf500By200CaptionedWithTheNewDocument)
{
    ASSERT_TRUE(Start());

    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(frame->size(), QSize(500, 200));
    EXPECT_EQ(frame->windowTitle(), kNewCaption);
    EXPECT_FALSE(frame->windowIcon().isNull());
    QWidgetList shown;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible())
            shown << widget;
    }
    EXPECT_EQ(shown, QWidgetList{frame});
    EXPECT_EQ(doc->GetTransferState(), kStateSearch);
    EXPECT_FALSE(doc->IsModified());
}

TEST_F(WindowTest, ToolBarHoldsTheButtonsInOrderWithTheirSeparators)
{
    ASSERT_TRUE(Start());
    const std::vector<unsigned> expected = {ID_FILE_NEW,       ID_FILE_OPEN,
                                            ID_FILE_SAVE,      ID_SEPARATOR,
                                            ID_PUT_DATA,       ID_SEPARATOR,
                                            ID_ALL_DATA,       ID_HISTORICAL_TEMPERAMENTS,
                                            ID_ADJUSTMENT_DATA, ID_ACTUAL_INSTRUMENT,
                                            ID_SEPARATOR,      ID_DELIVERY_MODE};
    const QList<QAction*> actions = frame->m_wndToolBar.GetToolBarCtrl()->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "place " << i);
        QAction* action = actions[static_cast<qsizetype>(i)];
        if (expected[i] == ID_SEPARATOR) {
            EXPECT_TRUE(action->isSeparator());
        } else {
            EXPECT_FALSE(action->isSeparator());
            EXPECT_EQ(action, ToolAction(expected[i]));
        }
    }
    // The transfer commands the tests list from the table of downloads stand in this order too:
    // the buttons behind the file commands' separator.
    std::vector<unsigned> transferButtons;
    const auto firstSeparator = std::find(expected.begin(), expected.end(), ID_SEPARATOR);
    std::copy_if(firstSeparator, expected.end(), std::back_inserter(transferButtons),
                 [](unsigned id) { return id != ID_SEPARATOR; });
    EXPECT_EQ(kTransferCommands, transferButtons);
    // None of the commands that nothing carries has a button.
    // The comparison with the device is a menu command only.
    for (unsigned id : {ID_BUTTON_1, ID_BUTTON_2, ID_UPDATE_VEQ32, ID_SET_KEY_NUMBER, ID_FILE_SAVE_AS, ID_COMPARE_DEVICE})
        EXPECT_EQ(ToolAction(id), nullptr) << id;
}

TEST_F(WindowTest, ToolBarIsAMovableBarOf29By21ButtonsDockedAtTheTopWithNineImages)
{
    ASSERT_TRUE(Start());
    QToolBar* bar = frame->m_wndToolBar.GetToolBarCtrl();
    EXPECT_EQ(bar->iconSize(), QSize(29, 21));
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(bar->isMovable());
    EXPECT_EQ(frame->toolBarArea(bar), Qt::TopToolBarArea);
    EXPECT_EQ(bar->allowedAreas(), Qt::AllToolBarAreas);
    EXPECT_LT(bar->geometry().bottom(), frame->centralWidget()->geometry().top());

    std::vector<QImage> images;
    for (QAction* action : bar->actions()) {
        if (action->isSeparator())
            continue;
        const QImage image = action->icon().pixmap(QSize(29, 21)).toImage();
        EXPECT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(29, 21));
        images.push_back(image);
    }
    ASSERT_EQ(images.size(), 9u);
    for (size_t i = 0; i < images.size(); ++i) {
        for (size_t j = i + 1; j < images.size(); ++j)
            EXPECT_NE(images[i], images[j]) << "buttons " << i << " and " << j << " share their image";
    }
}

struct ButtonTexts {
    const char* name;
    unsigned id;
    QString prompt;
    QString tip;  // empty: the button shows no tooltip
};

void PrintTo(const ButtonTexts& c, std::ostream* os)
{
    *os << c.name;
}

class ButtonTextTest : public AppTest, public ::testing::WithParamInterface<ButtonTexts> {};

TEST_P(ButtonTextTest, PointingShowsThePromptAndATooltipOnlyWhereTheCommandHasOne)
{
    const ButtonTexts& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(StartActive());
    QToolButton* button = Button(c.id);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(ToolAction(c.id)->statusTip(), c.prompt);

    QTest::mouseMove(button);
    EXPECT_EQ(frame->GetMessageText(), c.prompt);
    QTest::mouseMove(view);
    EXPECT_EQ(frame->GetMessageText(), " ");

    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), button->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(button, &help);
    if (c.tip.isEmpty()) {
        EXPECT_FALSE(QToolTip::isVisible());
        EXPECT_EQ(QToolTip::text(), QString());
    } else {
        EXPECT_TRUE(QToolTip::isVisible());
        EXPECT_EQ(QToolTip::text(), c.tip);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Toolbar, ButtonTextTest,
    ::testing::Values(
        ButtonTexts{"New", ID_FILE_NEW, "Preparing interface-programm for new data", ""},
        ButtonTexts{"Open", ID_FILE_OPEN, "Opens a existing VEQ-File", ""},
        ButtonTexts{"Save", ID_FILE_SAVE, "Saves VEQ-data from RAM to disc", ""},
        ButtonTexts{"PutData", ID_PUT_DATA, "PUT DATA FROM PC TO VEQ ", "PUT DATA FROM PC TO VEQ"},
        ButtonTexts{"AllData", ID_ALL_DATA, "ALL DATA FROM VEQ TO PC", "ALL DATA FROM VEQ TO PC"},
        ButtonTexts{"HistoricalTemperaments", ID_HISTORICAL_TEMPERAMENTS, "HISTORICAL TEMPERAMENTS FROM VEQ TO PC ",
                    "HISTORICAL TEMPERAMENTS FROM VEQ TO PC "},
        ButtonTexts{"AdjustmentData", ID_ADJUSTMENT_DATA, "AJUSTMENT DATA FROM VEQ TO PC ",
                    "  AJUSTMENT DATA FROM VEQ TO PC "},
        ButtonTexts{"ActualInstrument", ID_ACTUAL_INSTRUMENT, "ACTUAL INSTURMENT FROM VEQ TO PC ",
                    "  ACTUAL INSTURMENT FROM VEQ TO PC "},
        ButtonTexts{"DeliveryMode", ID_DELIVERY_MODE, "SET VEQ-32-C DELIVERY MODE", "SET VEQ-32-C DELIVERY MODE"}),
    [](const ::testing::TestParamInfo<ButtonTexts>& info) { return std::string(info.param.name); });

TEST_F(WindowTest, StatusBarHasTheBlankMessagePaneAndThreeLockIndicatorsEmptyWhereStatesAreUnknown)
{
    ASSERT_TRUE(Start());
    const framework::CStatusBar& bar = frame->m_wndStatusBar;
    EXPECT_EQ(frame->statusBar(), bar.GetStatusBarCtrl());
    EXPECT_TRUE(bar.GetStatusBarCtrl()->isVisible());
    EXPECT_GT(bar.GetStatusBarCtrl()->geometry().top(), frame->centralWidget()->geometry().bottom());
    ASSERT_EQ(bar.GetCount(), 4);
    const unsigned ids[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(bar.GetItemID(i), ids[i]) << "pane " << i;

    Idle();
    EXPECT_EQ(bar.GetPaneText(0), " ");
    EXPECT_EQ(frame->GetMessageText(), " ");
    // The offscreen platform tells no lock states.
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(bar.GetPaneText(i), QString()) << "pane " << i;
}

TEST_F(WindowTest, MenuHoldsThePopupsItemsAndSeparatorsWithTheirCommands)
{
    struct Item {
        QString text;  // empty: separator
        unsigned id;
    };
    struct Popup {
        QString title;
        std::vector<Item> items;
    };
    const std::vector<Popup> expected = {
        {"&File",
         {{"&New\tStrg+N", ID_FILE_NEW},
          {"&Open...\tStrg+O", ID_FILE_OPEN},
          {"&Save\tStrg+S", ID_FILE_SAVE},
          {"Save &As..", ID_FILE_SAVE_AS},
          {"Capture &history...", ID_FILE_CAPTURE_HISTORY},
          {"&View data...", ID_FILE_VIEW_DATA},
          {"", 0},
          {"", 0},
          {"", 0},
          {"&Exit", ID_APP_EXIT}}},
        {"&Transfer",
         {{"P&UT DATA FROM PC TO VEQ", ID_PUT_DATA},
          {"", 0},
          {"ALL &DATA FROM VEQ TO PC", ID_ALL_DATA},
          {"HISTORICAL &TEMPERAMENTS FROM VEQ TO PC", ID_HISTORICAL_TEMPERAMENTS},
          {"A&JUSTMENT DATA FROM VEQ TO PC", ID_ADJUSTMENT_DATA},
          {"ACTUAL &INSTURMENT FROM VEQ TO PC", ID_ACTUAL_INSTRUMENT},
          {"&Compare with device", ID_COMPARE_DEVICE},
          {"", 0},
          {"SET VEQ-32-C DELIVERY &MODE", ID_DELIVERY_MODE}}},
        {"Adjustment", {{"&Interface", ID_ADJUSTMENT_INTERFACE}, {"&Automatic backups", ID_AUTOMATIC_BACKUPS}}},
        {"&?",
         {{"&Help", ID_HELP_FINDER},
          {"", 0},
          {"Transfer &log...", ID_HELP_TRANSFER_LOG},
          {"Copy &support report", ID_HELP_SUPPORT_REPORT},
          {"", 0},
          {"Inf&ormation about VEQ...", ID_APP_ABOUT}}},
    };
    ASSERT_TRUE(Start());
    const QList<QAction*> popups = frame->menuBar()->actions();
    ASSERT_EQ(popups.size(), static_cast<qsizetype>(expected.size()));
    for (size_t p = 0; p < expected.size(); ++p) {
        SCOPED_TRACE(expected[p].title.toStdString());
        QMenu* menu = popups[static_cast<qsizetype>(p)]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(popups[static_cast<qsizetype>(p)]->text(), expected[p].title);
        const QList<QAction*> items = menu->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected[p].items.size()));
        for (qsizetype i = 0; i < items.size(); ++i) {
            const Item& item = expected[p].items[static_cast<size_t>(i)];
            QAction* action = items[i];
            SCOPED_TRACE(testing::Message() << "item " << i);
            if (item.text.isEmpty()) {
                EXPECT_TRUE(action->isSeparator());
                continue;
            }
            EXPECT_EQ(action->text(), item.text);
            EXPECT_EQ(frame->MenuAction(item.id), action);
        }
    }
}

TEST_F(WindowTest, MenuItemsOfTheFrameworkAndTheProgramAreEnabled)
{
    ASSERT_TRUE(Start());
    Idle();
    for (unsigned id : {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_CAPTURE_HISTORY,
                        ID_FILE_VIEW_DATA, ID_APP_EXIT, ID_HELP_FINDER, ID_APP_ABOUT}) {
        ASSERT_NE(frame->MenuAction(id), nullptr) << id;
        EXPECT_TRUE(frame->MenuAction(id)->isEnabled()) << id;
    }
}

TEST_F(WindowTest, InterfaceItemRunsThePortDialog)
{
    ASSERT_TRUE(Start());
    Idle();
    QAction* item = frame->MenuAction(ID_ADJUSTMENT_INTERFACE);
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->isEnabled());
    QString caption;
    QStringList ports;
    WhenModalShows([&](QWidget* dialog) {
        caption = dialog->windowTitle();
        if (auto* combo = dialog->findChild<QComboBox*>()) {
            for (int i = 0; i < combo->count(); ++i)
                ports << combo->itemText(i);
        }
    });
    item->trigger();
    EXPECT_EQ(caption, "Dialog");
    EXPECT_EQ(ports.size(), 16);
    EXPECT_EQ(ports.value(0), "COM1");
    EXPECT_EQ(ports.value(15), "COM16");
}

TEST_F(WindowTest, AboutItemShowsTheInfoBoxUntilOkIsPressed)
{
    ASSERT_TRUE(Start());
    Idle();
    QString caption;
    QStringList labels;
    bool okWasDefault = false;
    bool closedByOk = false;
    WhenModalShows([&](QWidget* dialog) {
        caption = dialog->windowTitle();
        labels = LabelTexts(dialog);
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            if (button->text() != "OK")
                continue;
            okWasDefault = button->isDefault();
            QTest::mouseClick(button, Qt::LeftButton);
            closedByOk = !dialog->isVisible();
        }
    });
    frame->MenuAction(ID_APP_ABOUT)->trigger();

    EXPECT_EQ(caption, QString::fromUtf8("Info über VEQ - Interface"));
    EXPECT_TRUE(labels.contains("Interface for Tuning Set VEQ-32-C")) << labels.join('|').toStdString();
    EXPECT_TRUE(labels.contains("Version 1, 0, 0, 2")) << labels.join('|').toStdString();
    EXPECT_TRUE(okWasDefault);
    EXPECT_TRUE(closedByOk);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    // The box changes nothing of the transfer.
    EXPECT_EQ(State(), kStateSearch);
}

// Dialog 138 stands among the resources although nothing opens it: a text field, OK, Cancel.
TEST_F(WindowTest, TextEntryDialogResourceBuildsItsFieldAndButtons)
{
    framework::CDialog dialog(TextEntryDialogTemplate());
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.GetWindow()->windowTitle(), "Dialog");
    EXPECT_NE(qobject_cast<QLineEdit*>(dialog.GetDlgItem(IDC_EDIT1)), nullptr);
    auto* ok = qobject_cast<QPushButton*>(dialog.GetDlgItem(framework::IDOK));
    auto* cancel = qobject_cast<QPushButton*>(dialog.GetDlgItem(framework::IDCANCEL));
    ASSERT_NE(ok, nullptr);
    ASSERT_NE(cancel, nullptr);
    EXPECT_TRUE(ok->isDefault());
    EXPECT_LT(cancel->x(), ok->x());  // Cancel stands left of OK
}

TEST_F(WindowTest, RunTakesItsNameFromTheStringTableAndEndsWhenTheWindowCloses)
{
    theApp.m_pszAppName.clear();
    QCoreApplication::setApplicationName("korva-tests");
    const std::string file = WriteDataFile("tuning.txt", kFileLines);
    fileAnswers = {QString::fromStdString(file)};
    setenv("V24_COM1", dir.file("no-such-port").c_str(), 1);
    // Open a file from the menu, wait for the idle update to show it in the caption, then close
    // the window: all from inside the program's event loop.
    QString caption;
    QTimer poll;
    int polls = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* mainWnd = dynamic_cast<CMainFrame*>(theApp.m_pMainWnd);
        if (!mainWnd)
            return;
        if (polls++ == 0)
            mainWnd->MenuAction(ID_FILE_OPEN)->trigger();
        caption = mainWnd->windowTitle();
        if (caption == "tuning.txt - DATA-TRANSFER" || polls > 500) {
            poll.stop();
            mainWnd->close();
        }
    });
    poll.start(10);
    // Ends a loop that the window's closing did not end, so that the test fails instead of hanging.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(10000);

    const int code = theApp.Run();

    EXPECT_EQ(code, 0);
    EXPECT_EQ(theApp.m_pszAppName, "VEQ_32_C");
    EXPECT_EQ(QCoreApplication::applicationName(), "VEQ_32_C");
    EXPECT_EQ(caption, "tuning.txt - DATA-TRANSFER");
    EXPECT_EQ(theApp.m_pMainWnd, nullptr);
    EXPECT_EQ(RecentFileEntries(), QStringList{QString::fromStdString(file)});
    QSettings settings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
    EXPECT_TRUE(settings.contains("Settings/PreviewPages"));
}
