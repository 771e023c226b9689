// The main window: its fresh state, interface switching, refresh, keys, about box, Stop.
#include <QtCore/QTimer>
#include <QtGui/QTextBlock>
#include <QtTest/QTest>
#include <QtWidgets/QApplication>
#include <QtWidgets/QMenu>
#include <QtWidgets/QScrollBar>

#include "AppFixture.h"
#include "link/LinkProbe.h"
#include "link/PortScan.h"
#include "link/SerialLink.h"
#include "platform/Clock.h"

namespace apptest {
namespace {

using Ids = std::vector<const char*>;

TEST_F(ConsoleTest, FreshWindowShowsRs232WithItsDefaults) {
    orvane::QtUpdaterWindow& w = MakeWindow();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Orvane Firmware Update Software V1.04"));
    ASSERT_EQ(Interface()->count(), 2);
    EXPECT_EQ(Interface()->itemText(0), QStringLiteral("RS232"));
    EXPECT_EQ(Interface()->itemText(1), QStringLiteral("USB"));
    EXPECT_EQ(Interface()->currentIndex(), 0);
    EXPECT_EQ(w.Dlg().CurrentInterfaceIndex(), 0);
    EXPECT_TRUE(Interface()->isEditable());

    EXPECT_TRUE(Baud()->isVisible());
    EXPECT_EQ(Baud()->text(), QStringLiteral("19200"));
    EXPECT_EQ(w.Dlg().m_strBaud, "19200");
    for (QLineEdit* hidden : {Vid(), Pid()}) {
        EXPECT_FALSE(hidden->isVisible());
        EXPECT_TRUE(hidden->text().isEmpty());
    }
    EXPECT_TRUE(w.Dlg().m_strVid.empty());
    EXPECT_TRUE(w.Dlg().m_strPid.empty());
    EXPECT_TRUE(Find<QLabel>("IDC_LBL_BAUD")->isVisible());
    EXPECT_FALSE(Find<QLabel>("IDC_LBL_VID")->isVisible());
    EXPECT_FALSE(Find<QLabel>("IDC_LBL_PID")->isVisible());
    EXPECT_TRUE(Log()->toPlainText().isEmpty());
    EXPECT_TRUE(LogText().empty());
    EXPECT_FALSE(Log()->isReadOnly());
    EXPECT_EQ(Log()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    QPushButton* test = Find<QPushButton>("IDC_BTN_TEST");
    EXPECT_FALSE(test->isVisible());
    EXPECT_EQ(LoadButton()->text(), QStringLiteral("Load"));
    EXPECT_EQ(StopButton()->text(), QStringLiteral("Stop"));
    EXPECT_TRUE(LoadButton()->hasFocus());
    EXPECT_EQ(w.Dlg().WorkerThread(), nullptr);

    const std::vector<std::pair<const char*, const char*>> labels = {
        {"IDC_LBL_INTERFACE", "Interface:"},
        {"IDC_LBL_BAUD", "Baud Rate:"},
        {"IDC_LBL_VID", "VID:"},
        {"IDC_LBL_PID", "PID:"}};
    for (const auto& [id, text] : labels) {
        EXPECT_EQ(Find<QLabel>(id)->text(), QString::fromLatin1(text)) << id;
    }

    ASSERT_NE(w.AboutMenu(), nullptr);
    ASSERT_FALSE(w.AboutMenu()->actions().isEmpty());
    EXPECT_EQ(w.AboutMenu()->actions().constLast()->text(),
              QStringLiteral("&About Orvane Bootloader..."));
    EXPECT_FALSE(w.windowIcon().pixmap(48, 48).isNull());
    EXPECT_FALSE(w.windowIcon().pixmap(16, 16).isNull());
}

TEST_F(ConsoleTest, ControlsUseTheControlFontAndTheTemplateTabOrder) {
    orvane::QtUpdaterWindow& w = MakeWindow();
    for (const char* id : Ids{"IDC_BTN_LOAD", "IDC_BTN_STOP", "IDC_LBL_INTERFACE", "IDC_LBL_BAUD",
                              "IDC_LBL_VID", "IDC_LBL_PID", "IDC_CMB_INTERFACE", "IDC_EDT_BAUD",
                              "IDC_EDT_VID", "IDC_EDT_PID", "IDC_EDT_LOG"}) {
        const QFont font = Find<QWidget>(id)->font();
        EXPECT_EQ(font.family(), QStringLiteral("Arial")) << id;
        EXPECT_EQ(font.pixelSize(), 16) << id;
    }
    EXPECT_EQ(Find<QWidget>("IDC_BTN_TEST")->font().pointSize(), 8);
    EXPECT_EQ(w.font().family(), QStringLiteral("Arial"));

    // Tab from Load walks the template order over the controls that are shown.
    const Ids order = {"IDC_CMB_INTERFACE", "IDC_EDT_BAUD", "IDC_EDT_LOG", "IDC_BTN_STOP",
                       "IDC_BTN_LOAD"};
    QWidget* at = LoadButton();
    for (const char* id : order) {
        do {
            at = at->nextInFocusChain();
        } while (!(at->focusPolicy() & Qt::TabFocus) || !at->isVisible() ||
                 (at->focusProxy() != nullptr));
        EXPECT_EQ(at->objectName(), QString::fromLatin1(id));
    }
}

TEST_F(ConsoleTest, TabInTheLogMovesTheFocusOnAndLeavesTheText) {
    orvane::QtUpdaterWindow& w = MakeWindow();
    {
        std::lock_guard guard(w.Dlg().m_logGuard);
        w.Dlg().m_strLog = "Start bootloader.\r\n";
    }
    w.Dlg().UpdateData(false);
    Log()->setFocus();
    Log()->moveCursor(QTextCursor::End);
    ASSERT_TRUE(Log()->hasFocus());
    QTest::keyClick(Log(), Qt::Key_Tab);
    // The hidden Test button sits between the log and Stop in the template order.
    EXPECT_TRUE(StopButton()->hasFocus());
    EXPECT_EQ(Log()->toPlainText().toStdString(), "Start bootloader.\n");

    Log()->setFocus();
    QTest::keyClick(Log(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(Baud()->hasFocus());
    EXPECT_EQ(Log()->toPlainText().toStdString(), "Start bootloader.\n");
}

TEST_F(ConsoleTest, SwitchingInterfacesWritesTheDefaultsAndSwapsTheFields) {
    orvane::QtUpdaterWindow& w = MakeWindow();
    Vid()->setText(QStringLiteral("1234"));
    Pid()->setText(QStringLiteral("5678"));
    Pick(1);
    EXPECT_FALSE(Baud()->isVisible());
    EXPECT_FALSE(Find<QLabel>("IDC_LBL_BAUD")->isVisible());
    EXPECT_TRUE(Vid()->isVisible());
    EXPECT_TRUE(Pid()->isVisible());
    EXPECT_TRUE(Find<QLabel>("IDC_LBL_VID")->isVisible());
    EXPECT_TRUE(Find<QLabel>("IDC_LBL_PID")->isVisible());
    EXPECT_EQ(Vid()->text(), QStringLiteral("0x0ACD"));
    EXPECT_EQ(Pid()->text(), QStringLiteral("0x3710"));
    // The members got what the fields held before the defaults were written.
    EXPECT_EQ(w.Dlg().m_strVid, "1234");
    EXPECT_EQ(w.Dlg().m_strPid, "5678");

    Baud()->setText(QStringLiteral("9600"));
    Pick(0);
    EXPECT_TRUE(Baud()->isVisible());
    EXPECT_FALSE(Vid()->isVisible());
    EXPECT_FALSE(Pid()->isVisible());
    EXPECT_EQ(Baud()->text(), QStringLiteral("19200"));
}

TEST_F(SimConsoleTest, CancelledChooserShowsOneLinePausesAndResetsTheFields) {
    orvane::QtUpdaterWindow& w = MakeWindow();
    w.Dlg().m_strFilePath = "/scripts/earlier.txt";
    // A link that an earlier Load opened.
    ASSERT_EQ(g_serialLink.Open(orvane::FormatLinkSpec(SimPort(), 19200).c_str()), 1);
    g_interfaceKind = 1;
    Pick(1);
    ASSERT_EQ(Vid()->text(), QStringLiteral("0x0ACD"));
    clock.ClearSleeps();
    LoadButton()->click();

    // Nothing of the links changes when no script is chosen.
    EXPECT_TRUE(g_serialLink.IsOpen());
    EXPECT_EQ(g_serialLink.DeviceName(), SimPort());
    EXPECT_EQ(g_interfaceKind, 1);

    EXPECT_EQ(chooser.runs, 1);
    EXPECT_EQ(LogText(), "Select file fail.\r\n");
    EXPECT_EQ(Log()->toPlainText(), QStringLiteral("Select file fail.\n"));
    EXPECT_EQ(clock.Sleeps(), std::vector<uint32_t>{500});
    EXPECT_EQ(w.Dlg().m_strFilePath, "/scripts/earlier.txt");
    // The refresh stored the members last loaded before the defaults were written.
    EXPECT_TRUE(Vid()->text().isEmpty());
    EXPECT_TRUE(Pid()->text().isEmpty());
    EXPECT_EQ(w.Dlg().WorkerThread(), nullptr);
    EXPECT_TRUE(LoadButton()->isEnabled());
}

TEST_F(ConsoleTest, RefreshShowsTheMembersAndBringsTheLastLineIntoView) {
    orvane::QtUpdaterWindow& w = MakeWindow();
    Baud()->setText(QStringLiteral("57600"));  // typed after the last load: refresh replaces it
    std::string log;
    for (int i = 1; i <= 300; ++i) {
        log += "Loading firmware ... Package " + std::to_string(i) + "\r\n";
    }
    {
        std::lock_guard guard(w.Dlg().m_logGuard);
        w.Dlg().m_strLog = log;
    }
    w.Dlg().LogRefresh();
    EXPECT_EQ(Baud()->text(), QStringLiteral("19200"));
    QScrollBar* bar = Log()->verticalScrollBar();
    EXPECT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());
    // The last line (the block before the empty one that the final line end opens) is in view.
    const QTextBlock last =
        Log()->document()->findBlockByNumber(Log()->document()->blockCount() - 2);
    ASSERT_EQ(last.text(), QStringLiteral("Loading firmware ... Package 300"));
    const QRect lastRect = Log()->cursorRect(QTextCursor(last));
    EXPECT_TRUE(Log()->viewport()->rect().contains(lastRect)) << lastRect.y();

    // A further line is shown too, and the round trip through the view keeps the text.
    {
        std::lock_guard guard(w.Dlg().m_logGuard);
        w.Dlg().m_strLog += "Firmware Successfully Downloaded.\r\n";
    }
    w.Dlg().LogRefresh();
    EXPECT_EQ(bar->value(), bar->maximum());
    w.Dlg().UpdateData(true);
    EXPECT_EQ(LogText(), log + "Firmware Successfully Downloaded.\r\n");
}

TEST_F(ConsoleTest, OperatorEditsOfTheLogAreLoadedBack) {
    orvane::QtUpdaterWindow& w = MakeWindow();
    {
        std::lock_guard guard(w.Dlg().m_logGuard);
        w.Dlg().m_strLog = "one\r\n";
    }
    w.Dlg().LogRefresh();
    Log()->setPlainText(QStringLiteral("typed\nby hand\n"));
    w.Dlg().UpdateData(true);
    EXPECT_EQ(LogText(), "typed\r\nby hand\r\n");
}

TEST_F(ConsoleTest, LinesNotYetShownSurviveALoadFromTheView) {
    orvane::QtUpdaterWindow& w = MakeWindow();
    {
        std::lock_guard guard(w.Dlg().m_logGuard);
        w.Dlg().m_strLog = "Start bootloader.\r\n";
    }
    w.Dlg().LogRefresh();
    {
        // Appended by the worker, whose refresh the window has not handled yet.
        std::lock_guard guard(w.Dlg().m_logGuard);
        w.Dlg().m_strLog += "Start send bootloader command.\r\n";
    }
    Pick(1);  // loads the controls into the members
    EXPECT_EQ(LogText(), "Start bootloader.\r\nStart send bootloader command.\r\n");
}

TEST_F(ConsoleTest, EnterInAFieldKeepsTheWindowOpen) {
    orvane::QtUpdaterWindow& w = MakeWindow();
    Pick(1);
    for (QWidget* field : {static_cast<QWidget*>(Vid()), static_cast<QWidget*>(Pid()),
                           static_cast<QWidget*>(Interface()->lineEdit())}) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClick(field, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(w.isVisible()) << field->objectName().toStdString();
    }
    Pick(0);
    Baud()->setFocus();
    QTest::keyClick(Baud(), Qt::Key_Return);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(chooser.runs, 0);
    EXPECT_EQ(Interface()->count(), 2);  // the combo box's field adds no item

    // Enter after a typed interface name does not switch: only a pick from the list does.
    Baud()->setText(QStringLiteral("9600"));
    Vid()->setText(QStringLiteral("0x1111"));
    Pid()->setText(QStringLiteral("0x2222"));
    for (auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        Interface()->setFocus();
        Interface()->lineEdit()->selectAll();
        QTest::keyClicks(Interface(), QStringLiteral("usb"));
        ASSERT_EQ(Interface()->currentText(), QStringLiteral("usb"));
        QTest::keyClick(Interface(), key);
        EXPECT_EQ(Interface()->currentIndex(), 0) << key;
        EXPECT_EQ(Interface()->currentText().toStdString(), "usb") << key;
        EXPECT_TRUE(Baud()->isVisible()) << key;
        EXPECT_FALSE(Vid()->isVisible()) << key;
        EXPECT_EQ(Baud()->text(), QStringLiteral("9600")) << key;
        EXPECT_EQ(Vid()->text().toStdString(), "0x1111") << key;
        EXPECT_EQ(Pid()->text(), QStringLiteral("0x2222")) << key;
        EXPECT_TRUE(w.isVisible()) << key;
    }

    // Enter on a focused push button presses it.
    LoadButton()->setFocus();
    QTest::keyClick(LoadButton(), Qt::Key_Return);
    EXPECT_EQ(chooser.runs, 1);
    EXPECT_TRUE(w.isVisible());
}

TEST_F(ConsoleTest, EscapeEndsTheWindow) {
    orvane::QtUpdaterWindow& w = MakeWindow();
    QTest::keyClick(Baud(), Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.result(), QDialog::Rejected);
}

TEST_F(ConsoleTest, AboutBoxOpensModallyAndOkClosesIt) {
    orvane::QtUpdaterWindow& w = MakeWindow();
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget* about = QApplication::activeModalWidget();
        ASSERT_NE(about, nullptr);
        EXPECT_NE(about, &w);
        EXPECT_EQ(about->windowTitle(), QStringLiteral("About Orvane Bootloader"));
        QStringList texts;
        for (QLabel* label : about->findChildren<QLabel*>()) {
            texts << label->text();
        }
        EXPECT_TRUE(texts.contains(QStringLiteral("Orvane Bootloader Version 1.03")));
        auto* icon = about->findChild<QLabel*>(QStringLiteral("IDC_STATIC_ICON"));
        ASSERT_NE(icon, nullptr);
        EXPECT_FALSE(icon->pixmap().isNull());
        auto* ok = about->findChild<QPushButton*>(QStringLiteral("IDOK"));
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), QStringLiteral("OK"));
        EXPECT_TRUE(ok->isDefault());
        seen = true;
        ok->click();
    });
    w.AboutMenu()->actions().constLast()->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(w.isVisible());

    // F1 opens it as well.
    bool again = false;
    QTimer::singleShot(0, [&] {
        QWidget* about = QApplication::activeModalWidget();
        ASSERT_NE(about, nullptr);
        again = about->windowTitle() == QStringLiteral("About Orvane Bootloader");
        QTest::keyClick(about, Qt::Key_Return);  // the default button
    });
    QTest::keyClick(&w, Qt::Key_F1);
    EXPECT_TRUE(again);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(ConsoleTest, StopWithoutAWorkerChangesNothing) {
    orvane::QtUpdaterWindow& w = MakeWindow();
    {
        std::lock_guard guard(w.Dlg().m_logGuard);
        w.Dlg().m_strLog = "kept\r\n";
    }
    StopButton()->click();
    EXPECT_FALSE(orvane::Clock().StopRequested());
    EXPECT_EQ(LogText(), "kept\r\n");
    EXPECT_TRUE(LoadButton()->isEnabled());
    EXPECT_TRUE(w.isVisible());
}

}  // namespace
}  // namespace apptest
