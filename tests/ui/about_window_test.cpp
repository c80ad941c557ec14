// The About window: built at each load, one at a time, closed by "OK" or its close button,
// and keeping the program alive after the main window has gone.

#include "window_test_support.h"

#include "program_lifetime.h"

#include <QLabel>
#include <QPushButton>

namespace {

int open_about_windows()
{
    int count = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        count += qobject_cast<frm_About*>(top) && top->isVisible();
    return count;
}

const QString about_text = "\nWritten by the Malvor developers\nContact: malvor@example.org\n"
                           "Version Number: 1.00a";

class AboutWindowTest : public WindowTest {};

TEST_F(AboutWindowTest, OpensOnceComesToTheFrontAndIsBuiltAnewAfterOk)
{
    frm_eagle& w = open();
    w.About_Click(1);
    QPointer<frm_About> about = w.aboutWindow();
    ASSERT_TRUE(about);
    EXPECT_EQ(about->parentWidget(), nullptr);
    QLabel* label5 = child<QLabel>(*about, "Label5");
    EXPECT_EQ(label5->text(), about_text);

    label5->setText("changed");
    about->hide();
    w.About_Click(1);
    EXPECT_EQ(w.aboutWindow(), about.data());
    EXPECT_EQ(open_about_windows(), 1);
    EXPECT_EQ(label5->text(), "changed");  // not loaded again

    QTest::mouseClick(child(*about, "cmdOK"), Qt::LeftButton);
    flush_deletions();
    EXPECT_TRUE(about.isNull());
    EXPECT_EQ(open_about_windows(), 0);
    w.About_Click(1);
    ASSERT_TRUE(w.aboutWindow());
    EXPECT_EQ(child<QLabel>(*w.aboutWindow(), "Label5")->text(), about_text);
    EXPECT_TRUE(w.isEnabled());  // modeless: the main window stays usable
}

TEST_F(AboutWindowTest, ProgramEndsOnlyWhenTheLastWindowIsClosed)
{
    int ended = 0;
    malvor::ProgramLifetime lifetime([&] { ++ended; });
    auto* main_window = new frm_eagle;
    main_window->setAttribute(Qt::WA_DeleteOnClose);
    lifetime.watch(main_window);
    QObject::connect(main_window, &frm_eagle::windowOpened, &lifetime, &malvor::ProgramLifetime::watch);
    main_window->show();
    main_window->About_Click(1);
    QPointer<frm_About> about = main_window->aboutWindow();
    ASSERT_TRUE(about);

    main_window->close();
    flush_deletions();
    EXPECT_EQ(ended, 0);
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->isVisible());

    about->close();  // the title bar's close button
    flush_deletions();
    EXPECT_TRUE(about.isNull());
    EXPECT_EQ(ended, 1);
}

}  // namespace
