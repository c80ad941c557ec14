// Both windows as designed (twips, 15 to a pixel), focus order, access keys; the test program.

#include "window_test_support.h"

#include "program_look.h"

#include <QFontInfo>
#include <QLabel>
#include <QScreen>
#include <QStandardPaths>

#include <cmath>

namespace {

struct Place {
    bool about;  // in the About window, else in the main window's client area
    const char* name;
    int left, top, width, height;  // twips; no size: as large as the text
    const char* font = nullptr;    // family, points, "bold"
};

// clang-format off
const Place places[] = {
    {0, "lst_open", 120, 120, 2775, 765, "Times New Roman 9"}, {0, "Dir1", 3000, 120, 2055, 765},
    {0, "Drive1", 5160, 120, 1335, 315},
    {0, "Cmd_read", 5160, 480, 1335, 400, "MS Sans Serif 8.25"},
    {0, "Label1", 960, 1080, 1575, 255, "MS Sans Serif 8.25 bold"},
    {0, "Label2", 3360, 1080, 3135, 255, "MS Sans Serif 8.25 bold"},
    {0, "Label6", 600, 1320, 2655, 255}, {0, "Label5", 4080, 1320, 2415, 255},
    {0, "Lst_add", 120, 1560, 3135, 3375}, {0, "Lst_nodo", 3360, 1560, 3135, 3375},
    {0, "Label3", 120, 5160, 2775, 255}, {0, "lst_lib", 120, 5400, 2775, 765},
    {0, "Dir2", 3000, 5400, 2055, 765}, {0, "Drive2", 5160, 5400, 1335, 315},
    {0, "cmd_do", 5160, 5760, 1335, 400},
    // The hint, where the library side will be.
    {0, "Label4", 840, 5400, 4695, 495, "MS Sans Serif 9.75"},
    {1, "Image1", 360, 360, 480, 480}, {1, "Label1", 2520, 120, 0, 0, "Fixedsys 9 bold"},
    {1, "Label2", 2040, 480, 0, 0}, {1, "Label3", 2280, 840, 0, 0},
    {1, "Label5", 1080, 1320, 3825, 1080}, {1, "cmdOK", 3960, 2760, 972, 372, "MS Sans Serif 8.25"},
    // Lines: from X1 to X2 at Y, one pixel thick, both ends drawn.
    {0, "Line2", 120, 960, 6375, 15}, {0, "Line1", 120, 5040, 6375, 15},
    {1, "Line1", 120, 2520, 4815, 15},
};
// clang-format on

using LayoutTest = WindowTest;

TEST_F(LayoutTest, WindowsAndControlsHaveTheirDesignedSizesPlacesAndFonts)
{
    frm_eagle& w = open(frm_eagle::Load::deferred);
    frm_About about;
    EXPECT_EQ(w.centralWidget()->size(), QSize(443, 428));
    // The About window: fixed, centred, a tool window without owner, only a close button.
    EXPECT_EQ(about.parentWidget(), nullptr);
    EXPECT_EQ(about.windowType(), Qt::Tool);
    EXPECT_EQ(about.size(), QSize(339, 219));
    EXPECT_EQ(about.maximumSize(), about.minimumSize());
    EXPECT_EQ(about.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint),
              Qt::WindowFlags(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(about.windowIcon().isNull());
    EXPECT_EQ(child<QLabel>(about, "Image1")->pixmap().size(), QSize(32, 32));
    EXPECT_EQ(
        about.frameGeometry().center(), QGuiApplication::primaryScreen()->geometry().center());
    w.showMaximized();  // the controls keep their places
    QCoreApplication::processEvents();
    auto px = [](int twips) { return static_cast<int>(std::lround(twips / 15.0)); };
    for (const Place& p : places) {
        QWidget* owner = p.about ? static_cast<QWidget*>(&about) : w.centralWidget();
        auto* control = owner->findChild<QWidget*>(p.name, Qt::FindDirectChildrenOnly);
        ASSERT_NE(control, nullptr) << p.name;
        EXPECT_TRUE(control->isVisibleTo(owner)) << p.name;  // before the load
        const QRect designed(px(p.left), px(p.top), px(p.width), px(p.height));
        EXPECT_EQ(control->geometry(),
                  p.width ? designed : QRect(designed.topLeft(), control->sizeHint()))
            << p.name;
        if (!p.font)
            continue;
        const QFont font = control->font();
        const QFontInfo drawn(font);
        EXPECT_EQ(
            font.family() + ' ' + QString::number(font.pointSizeF()) + (font.bold() ? " bold" : ""),
            p.font);
        EXPECT_TRUE((QFont::substitutes(font.family()) << font.family())
                        .contains(drawn.family(), Qt::CaseInsensitive))
            << p.name << " drawn in " << drawn.family().toStdString();
        EXPECT_EQ(drawn.fixedPitch(), font.family() == "Fixedsys") << p.name;
    }
}

TEST_F(LayoutTest, LoadHidesTheLibrarySideUntilAReadAndTabAndAccessKeysReachOnlyShownControls)
{
    for (const char* name : {"b.net", "Amp.NET", "C.NET", "notes.txt", "parts.lbr", "net"})
        write_file(name);
    frm_eagle& w = open();
    EXPECT_EQ(w.percorso, folder);
    EXPECT_EQ(entries("lst_open"), QStringList({"Amp.NET", "b.net", "C.NET"}));
    EXPECT_EQ(entries("lst_lib"), QStringList({"parts.lbr"}));
    EXPECT_EQ(child<QLabel>(w, "Label4")->text(),
              "Please, search the Tango netlist you want to convert\n"
              "         and then click on the button (Alt+R)");
    const QStringList order = {"Drive1",   "Dir1",   "lst_open", "Cmd_read", "Lst_add",
                               "Lst_nodo", "Drive2", "Dir2",     "lst_lib",  "cmd_do"};
    auto alt = [&](Qt::Key key) {
        activate(w);
        QTest::keyClick(&w, key, Qt::AltModifier);
    };
    for (bool read_yet : {false, true}) {
        // The library side's labels show with it, the hint without; Tab passes only shown controls.
        SCOPED_TRACE(read_yet ? "after a read" : "before a read");
        EXPECT_EQ(visible("Label3"), read_yet);
        EXPECT_EQ(visible("Label4"), !read_yet);
        // The window's own focus, which Tab moves whether or not the window is active.
        QStringList chain;
        child(w, "Drive1")->setFocus();
        do {
            ASSERT_NE(w.focusWidget(), nullptr);
            chain << w.focusWidget()->objectName();
            QTest::keyClick(w.focusWidget(), Qt::Key_Tab);
        } while (chain.size() < 12 && w.focusWidget() && w.focusWidget()->objectName() != "Drive1");
        EXPECT_EQ(chain, order.mid(0, read_yet ? 10 : 6));
        shown.clear();
        alt(Qt::Key_N);  // reaches nothing while the writer's button is hidden
        if (!read_yet)
            alt(Qt::Key_R);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.empty(); }));
        EXPECT_EQ(shown[0]->text(), read_yet ? "Please select an Eagle library before."
                                             : "Please select a netlist before.");
        EXPECT_EQ(shown.size(), 1u);
        read("b.net");
    }
    alt(Qt::Key_A);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.aboutWindow() != nullptr; }));
}

}  // namespace

// Runs the window tests headless unless a display is asked for, in the program's fonts: the
// one place that does so, whether CTest, CI or a developer starts the program. Qt for Windows
// has no headless platform here (it needs FreeType), so there the tests take Windows' own.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();  // CTest's discovery, which needs no display
#ifndef _WIN32
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    QApplication application(argc, argv);
    // Settings of the tests' own, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    QApplication::setOrganizationName(QStringLiteral("Malvor tests"));
    QApplication::setApplicationName(QStringLiteral("ui_tests"));
    malvor::use_designed_fonts();
    return RUN_ALL_TESTS();
}
