// The windows beside the main window as users with other needs meet them: colours readable in
// light and dark themes, differing rows marked by a sign too, Escape closing each window, the
// find keys from the history list, windows within the screen and list columns that fit.
#include "AppFixture.h"

#include "CaptureHistory.h"
#include "CaptureHistoryWnd.h"
#include "CompareWnd.h"
#include "Contrast.h"
#include "DataView.h"
#include "DataViewer.h"
#include "WorkingStorageWnd.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>

namespace {

template <class TWindow>
TWindow* ChildWindow(const QObject* owner)
{
    for (QObject* child : owner->children()) {
        if (auto* window = dynamic_cast<TWindow*>(child))
            return window;
    }
    return nullptr;
}

QPalette DarkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(0x2a, 0x2a, 0x2a));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 128));
    return dark;
}

// The application's palette for the length of a test.
class PaletteForTest {
public:
    explicit PaletteForTest(const QPalette& palette) : m_before(QApplication::palette())
    {
        QApplication::setPalette(palette);
    }
    ~PaletteForTest() { QApplication::setPalette(m_before); }

private:
    QPalette m_before;
};

// The application's font in another size for the length of a test.
class FontForTest {
public:
    explicit FontForTest(int pointSize) : m_before(QApplication::font())
    {
        QFont font = m_before;
        font.setPointSize(pointSize);
        QApplication::setFont(font);
    }
    ~FontForTest() { QApplication::setFont(m_before); }

private:
    QFont m_before;
};

}  // namespace

TEST(ContrastTest, RatiosAndAdjustedColoursReachTheMinimum)
{
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 0.01);
    EXPECT_NEAR(ContrastRatio(QColor(0x77, 0x77, 0x77), QColor(0x77, 0x77, 0x77)), 1.0, 0.001);
    const QColor backgrounds[] = {Qt::white, QColor(0xef, 0xef, 0xef), QColor(0x77, 0x77, 0x77),
                                  QColor(0x35, 0x35, 0x35), Qt::black};
    const QColor wanted[] = {Qt::red, Qt::darkRed, Qt::green, QColor(0, 0, 0, 128), QColor(255, 255, 255, 128)};
    for (const QColor& background : backgrounds) {
        for (const QColor& colour : wanted) {
            SCOPED_TRACE(testing::Message() << background.name().toStdString() << " " << colour.name().toStdString());
            EXPECT_GE(ContrastRatio(ReadableOn(colour, background), background), kReadableContrast);
            const QColor text = ReadableOn(Qt::black, background);
            EXPECT_GE(ContrastRatio(MarkOn(background, colour, 0.3, text), text), kReadableContrast);
        }
    }
    // A colour that reads already is kept.
    EXPECT_EQ(ReadableOn(Qt::black, Qt::white), QColor(Qt::black));
}

class SideWindowTest : public AppTest {
protected:
    void WriteCapture(const std::string& name, const std::vector<std::string>& lines) const
    {
        QDir().mkpath(CCaptureHistory::DefaultFolder());
        WriteWholeFile((CCaptureHistory::DefaultFolder() + "/" + QString::fromStdString(name)).toStdString(),
                       AsFileText(lines));
    }

    // Two captures that differ by a changed line, a removed and an added one.
    void WriteTwoCaptures() const
    {
        WriteCapture("2026-12-09_11-00-00_DD.txt", {"A4 440.0", "C4 -2.3", "D4 -1.0", "F4 +0.7", "END________"});
        WriteCapture("2026-12-09_10-00-00_DD.txt", {"A4 440.0", "C4 -2.1", "C#4 -1.8", "D4 -1.0", "END________"});
    }

    CCaptureHistoryWnd* ShowHistory()
    {
        frame->MenuAction(ID_FILE_CAPTURE_HISTORY)->trigger();
        return ChildWindow<CCaptureHistoryWnd>(frame);
    }

    CCompareWnd* ShowComparison()
    {
        CCaptureHistoryWnd* history = ShowHistory();
        history->List()->clearSelection();
        history->List()->topLevelItem(0)->setSelected(true);
        history->List()->topLevelItem(1)->setSelected(true);
        history->OnCompare();
        return ChildWindow<CCompareWnd>(history);
    }

    CWorkingStorageWnd* ShowWorkingStorage()
    {
        frame->MenuAction(ID_FILE_VIEW_DATA)->trigger();
        return ChildWindow<CWorkingStorageWnd>(frame);
    }

    QWidget* ShowHelp()
    {
        frame->MenuAction(ID_HELP_FINDER)->trigger();
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != frame && w->isVisible() && w->findChild<QTextBrowser*>())
                return w;
        }
        return nullptr;
    }

    std::vector<std::pair<const char*, QWidget*>> AllSideWindows()
    {
        WriteTwoCaptures();
        return {{"capture history", ShowHistory()},
                {"comparison", ShowComparison()},
                {"working storage", ShowWorkingStorage()},
                {"help", ShowHelp()}};
    }
};

struct ThemeCase {
    const char* name;
    bool dark;
};

void PrintTo(const ThemeCase& c, std::ostream* os)
{
    *os << c.name;
}

class ThemeTest : public SideWindowTest, public ::testing::WithParamInterface<ThemeCase> {};

TEST_P(ThemeTest, MarkedRowsAndTheFindBarReadWellAndDifferencesCarryASign)
{
    const PaletteForTest theme(GetParam().dark ? DarkPalette() : QApplication::style()->standardPalette());
    WriteTwoCaptures();
    ASSERT_TRUE(Start());
    CCompareWnd* compare = ShowComparison();
    ASSERT_NE(compare, nullptr);

    const std::vector<std::pair<CDataView*, QStringList>> sides = {{compare->LeftView(), {"", "-", "-", "", "", ""}},
                                                                   {compare->RightView(), {"", "+", "", "", "+", ""}}};
    for (const auto& [view, signs] : sides) {
        const QColor text = view->palette().color(QPalette::Text);
        QStringList shown;
        for (int row = 0; row < view->blockCount(); ++row) {
            shown << view->SignOf(row);
            if (!view->IsMarked(row))
                continue;
            const QColor background = view->document()->findBlockByNumber(row).blockFormat().background().color();
            EXPECT_GE(ContrastRatio(background, text), kReadableContrast) << "row " << row;
            EXPECT_NE(background, view->palette().color(QPalette::Base)) << "row " << row;
        }
        EXPECT_EQ(shown, signs);
    }

    CDataViewer* viewer = ShowWorkingStorage()->Viewer();
    QLabel* result = viewer->FindResultLabel();
    EXPECT_GE(ContrastRatio(result->palette().color(QPalette::WindowText), result->palette().color(QPalette::Window)),
              kReadableContrast);
}

TEST_P(ThemeTest, AThemeChangedWhileTheWindowIsOpenTintsTheRowsAfresh)
{
    WriteTwoCaptures();
    ASSERT_TRUE(Start());
    CCompareWnd* compare = ShowComparison();
    ASSERT_NE(compare, nullptr);
    const PaletteForTest theme(GetParam().dark ? DarkPalette() : QApplication::style()->standardPalette());
    CDataView* view = compare->LeftView();
    const QColor text = view->palette().color(QPalette::Text);
    const QColor background = view->document()->findBlockByNumber(1).blockFormat().background().color();
    EXPECT_GE(ContrastRatio(background, text), kReadableContrast);
}

INSTANTIATE_TEST_SUITE_P(Themes, ThemeTest, ::testing::Values(ThemeCase{"Light", false}, ThemeCase{"Dark", true}),
                         [](const ::testing::TestParamInfo<ThemeCase>& info) { return info.param.name; });

TEST_F(SideWindowTest, EscapeClosesEachWindowAndTheFindBarFirst)
{
    ASSERT_NO_FATAL_FAILURE(StartActive());
    for (const auto& [name, window] : AllSideWindows()) {
        ASSERT_NE(window, nullptr) << name;
        ASSERT_TRUE(window->isVisible()) << name;
        QApplication::setActiveWindow(window);
        QTest::keyClick(window, Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible()) << name;
    }

    CWorkingStorageWnd* storage = ShowWorkingStorage();
    QApplication::setActiveWindow(storage);
    storage->Viewer()->OnFind();
    auto* field = storage->Viewer()->findChild<QLineEdit*>();
    ASSERT_TRUE(field->isVisible());
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_FALSE(field->isVisible());
    EXPECT_TRUE(storage->isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(storage->isVisible());
}

TEST_F(SideWindowTest, WindowsOpenWithinTheScreensAvailableArea)
{
    ASSERT_TRUE(Start());
    const QRect available = QApplication::primaryScreen()->availableGeometry();
    ASSERT_LT(available.width(), 1100) << "the test needs a screen smaller than the comparison's size";
    for (const auto& [name, window] : AllSideWindows()) {
        ASSERT_NE(window, nullptr) << name;
        EXPECT_TRUE(available.contains(window->geometry())) << name;
    }
    EXPECT_LE(frame->width(), available.width());
}

TEST_F(SideWindowTest, CtrlFFromTheHistoryListOpensThePreviewsFindBar)
{
    WriteTwoCaptures();
    ASSERT_NO_FATAL_FAILURE(StartActive());
    CCaptureHistoryWnd* history = ShowHistory();
    QApplication::setActiveWindow(history);
    history->List()->setFocus();
    ASSERT_TRUE(history->List()->hasFocus());
    QTest::keyClick(history->List(), Qt::Key_F, Qt::ControlModifier);
    auto* field = history->Preview()->findChild<QLineEdit*>();
    EXPECT_TRUE(field->isVisible());
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClicks(field, "C#4");
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(history->Preview()->FindResult(), "Not found") << "the newest capture lacks C#4";
}

TEST_F(SideWindowTest, HistoryColumnsFitTheirContentsAtALargeFont)
{
    const FontForTest font(14);
    WriteTwoCaptures();
    ASSERT_TRUE(Start());
    CCaptureHistoryWnd* history = ShowHistory();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(history));
    QTreeWidget* list = history->List();
    const QAbstractItemView* view = list;
    for (int column = 0; column < list->columnCount(); ++column)
        EXPECT_GE(list->header()->sectionSize(column), view->sizeHintForColumn(column)) << column;
    EXPECT_LE(list->header()->length(), list->viewport()->width());
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
}
