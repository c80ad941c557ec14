// Both windows as designed: places in twips (15 to a pixel), captions, fonts, colours, focus
// order and access keys.

#include "window_test_support.h"

#include <QAction>
#include <QFontInfo>
#include <QLabel>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>

#include <cmath>
#include <tuple>

namespace {

struct Place {
    const char* name;
    int left, top, width, height;  // twips
};

QRect pixels(const Place& p)
{
    auto px = [](int twips) { return static_cast<int>(std::lround(twips / 15.0)); };
    return {px(p.left), px(p.top), px(p.width), px(p.height)};
}

// Controls of the main window, as the layout gives them.
const Place main_places[] = {
    {"Drive2", 5160, 5400, 1335, 315},  {"Dir2", 3000, 5400, 2055, 765},
    {"Dir1", 3000, 120, 2055, 765},     {"Drive1", 5160, 120, 1335, 315},
    {"lst_lib", 120, 5400, 2775, 765},  {"Cmd_read", 5160, 480, 1335, 400},
    {"lst_open", 120, 120, 2775, 765},  {"cmd_do", 5160, 5760, 1335, 400},
    {"Lst_nodo", 3360, 1560, 3135, 3375}, {"Lst_add", 120, 1560, 3135, 3375},
    {"Label6", 600, 1320, 2655, 255},   {"Label5", 4080, 1320, 2415, 255},
    {"Label4", 840, 5400, 4695, 495},   {"Label3", 120, 5160, 2775, 255},
    {"Label2", 3360, 1080, 3135, 255},  {"Label1", 960, 1080, 1575, 255},
    // Lines: from X1 to X2 at Y, one pixel thick, both ends drawn.
    {"Line2", 120, 960, 6375, 15},      {"Line1", 120, 5040, 6375, 15},
};

const Place about_places[] = {
    {"cmdOK", 3960, 2760, 972, 372}, {"Label5", 1080, 1320, 3825, 1080},
    {"Image1", 360, 360, 480, 480},  {"Line1", 120, 2520, 4815, 15},
};

struct Caption {
    const char* name;
    const char* text;
};

const Caption main_captions[] = {
    {"Label6", " name   pack  value"}, {"Label5", "       node        pin"},
    {"Label3", "Eagle Library "},      {"Label2", "Netlist"},
    {"Label1", "Components"},          {"Label4", ""},
    {"Cmd_read", "&Read Tango net"},   {"cmd_do", "Do Eagle &Net"},
};

struct DesignedFont {
    const char* window;
    const char* name;
    const char* family;
    double points;
    bool bold;
};

const DesignedFont designed_fonts[] = {
    {"main", "lst_open", "Times New Roman", 9, false}, {"main", "lst_lib", "Times New Roman", 9, false},
    {"main", "Label4", "MS Sans Serif", 9.75, false},  {"main", "Label2", "MS Sans Serif", 8.25, true},
    {"main", "Label1", "MS Sans Serif", 8.25, true},   {"main", "Cmd_read", "MS Sans Serif", 8.25, false},
    {"about", "Label1", "Fixedsys", 9, true},          {"about", "cmdOK", "MS Sans Serif", 8.25, false},
};

QStringList focus_chain(QWidget& window, int presses)
{
    child(window, "Drive1")->setFocus();
    QStringList chain;
    for (int i = 0; i < presses; ++i) {
        chain << QApplication::focusWidget()->objectName();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    return chain;
}

class LayoutTest : public WindowTest {};

TEST_F(LayoutTest, MainWindowControlsStandAtTheirDesignedPlacesAndStayWhenResized)
{
    frm_eagle& w = open();
    EXPECT_EQ(w.centralWidget()->size(), QSize(443, 428));
    EXPECT_EQ(w.windowTitle(), "Tango to Eagle Netlist Converter");
    w.resize(900, 800);
    w.showMaximized();
    QCoreApplication::processEvents();
    for (const Place& place : main_places) {
        QWidget* control = child(w, place.name);
        EXPECT_EQ(control->parentWidget(), w.centralWidget()) << place.name;
        EXPECT_EQ(control->geometry(), pixels(place)) << place.name;
    }
}

TEST_F(LayoutTest, MainWindowAsCreatedShowsEveryControlAndEmptyLists)
{
    frm_eagle& w = open(frm_eagle::Load::deferred);
    for (const Place& place : main_places)
        EXPECT_TRUE(child(w, place.name)->isVisibleTo(&w)) << place.name;
    for (const Caption& caption : main_captions) {
        QWidget* control = child(w, caption.name);
        EXPECT_EQ(control->property("text").toString(), QString::fromLatin1(caption.text)) << caption.name;
    }
    EXPECT_EQ(child<QListView>(w, "Lst_add")->model()->rowCount(), 0);
    EXPECT_EQ(child<QListView>(w, "Lst_nodo")->model()->rowCount(), 0);
    EXPECT_EQ(child<QLabel>(w, "Label2")->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    EXPECT_EQ(child<QLabel>(w, "Label3")->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    const QList<QAction*> menu = w.menuBar()->actions();
    ASSERT_EQ(menu.size(), 1);
    EXPECT_EQ(std::make_tuple(menu[0]->objectName(), menu[0]->text(), menu[0]->menu()),
              std::make_tuple(QString("About"), QString("&About"), static_cast<QMenu*>(nullptr)));
}

TEST_F(LayoutTest, FontsAreTheDesignedFacesOrTheirNearestStandIns)
{
    frm_eagle& w = open();
    frm_About about;
    for (const DesignedFont& designed : designed_fonts) {
        QWidget* owner = QByteArray(designed.window) == "main" ? static_cast<QWidget*>(&w) : &about;
        const QFont font = child(*owner, designed.name)->font();
        const QString face = QFontInfo(font).family();
        EXPECT_EQ(font.family(), designed.family) << designed.name;
        EXPECT_DOUBLE_EQ(font.pointSizeF(), designed.points) << designed.name;
        EXPECT_EQ(font.bold(), designed.bold) << designed.name;
        EXPECT_TRUE(face == designed.family || QFont::substitutes(designed.family).contains(face, Qt::CaseInsensitive))
            << designed.name << " drawn in " << face.toStdString();
    }
    EXPECT_TRUE(QFontInfo(child(about, "Label1")->font()).fixedPitch());
}

TEST_F(LayoutTest, LinesAndLabelsHaveTheirDesignedColours)
{
    frm_eagle& w = open();
    frm_About about;
    const QImage main_image = w.centralWidget()->grab().toImage();
    const QImage about_image = about.grab().toImage();
    struct Probe {
        const QImage& image;
        QPoint at;
        QColor colour;
    } probes[] = {
        {main_image, {8, 64}, QColor(255, 0, 0)},     {main_image, {432, 336}, QColor(255, 0, 0)},
        {main_image, {215, 102}, QColor(192, 192, 192)},  // Label6, right of its text
        {about_image, {100, 168}, QColor(255, 255, 0)},
        {about_image, {74, 158}, QColor(0, 0, 0)},        // Label5, below its text
    };
    for (const Probe& probe : probes)
        EXPECT_EQ(probe.image.pixelColor(probe.at), probe.colour) << probe.at.x() << "," << probe.at.y();
}

TEST_F(LayoutTest, TabPassesTheFocusingControlsInOrderSkippingHiddenOnes)
{
    write_file(in_folder("a.net"), "");
    frm_eagle& w = open();
    activate();
    EXPECT_EQ(focus_chain(w, 7), QStringList({"Drive1", "Dir1", "lst_open", "Cmd_read", "Lst_add",
                                              "Lst_nodo", "Drive1"}));
    read("a.net");
    EXPECT_EQ(focus_chain(w, 11),
              QStringList({"Drive1", "Dir1", "lst_open", "Cmd_read", "Lst_add", "Lst_nodo", "Drive2",
                           "Dir2", "lst_lib", "cmd_do", "Drive1"}));
}

TEST_F(LayoutTest, AccessKeysPressTheButtonsAndChooseTheMenuEntryOnlyWhileShown)
{
    write_file(in_folder("a.net"), "");
    frm_eagle& w = open();
    activate();
    auto alt = [&](Qt::Key key) { QTest::keyClick(&w, key, Qt::AltModifier); };

    alt(Qt::Key_N);
    alt(Qt::Key_R);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !shown.empty(); }));
    ASSERT_EQ(shown.size(), 1u);  // Alt+N reached nothing while the writer's button is hidden
    EXPECT_EQ(shown[0].text, "Please select a netlist before.");

    read("a.net");
    alt(Qt::Key_N);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.size() == 2; }));
    EXPECT_EQ(shown[1].text, "Please select an Eagle library before.");

    alt(Qt::Key_A);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.aboutWindow() != nullptr; }));
}

TEST_F(LayoutTest, AboutWindowIsFixedCentredWithoutTaskBarButtonAndSizesLabelsToText)
{
    frm_About about;
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(about.size(), QSize(339, 219));
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
    const Qt::WindowFlags flags = about.windowFlags();
    EXPECT_EQ(about.windowType(), Qt::Tool);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(about.parentWidget(), nullptr);
    EXPECT_EQ(about.frameGeometry().center(), QGuiApplication::primaryScreen()->geometry().center());
    for (const Place& place : about_places)
        EXPECT_EQ(child(about, place.name)->geometry(), pixels(place)) << place.name;
    const Caption about_captions[] = {
        {"Label1", "Malvor"}, {"Label2", "For 32 bit Windows systems"}, {"cmdOK", "OK"}};
    for (const Caption& caption : about_captions)
        EXPECT_EQ(child(about, caption.name)->property("text").toString(), caption.text);
    EXPECT_TRUE(child<QLabel>(about, "Label3")->text().endsWith("1999"));
    EXPECT_EQ(child<QLabel>(about, "Image1")->pixmap().size(), QSize(32, 32));
    EXPECT_FALSE(about.windowIcon().isNull());
    const Place text_sized[] = {{"Label1", 2520, 120, 0, 0}, {"Label2", 2040, 480, 0, 0},
                                {"Label3", 2280, 840, 0, 0}};
    for (const Place& place : text_sized) {
        QLabel* label = child<QLabel>(about, place.name);
        EXPECT_EQ(label->geometry(), QRect(pixels(place).topLeft(), label->sizeHint())) << place.name;
    }
    about.show();
    about.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&about));
    EXPECT_EQ(QApplication::focusWidget(), child(about, "cmdOK"));
}

}  // namespace
