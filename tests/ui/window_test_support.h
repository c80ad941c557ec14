#pragma once
// A main window whose message boxes are kept, in a scratch folder that is the working directory.

#include "drive_list.h"
#include "file_list.h"
#include "folder_list.h"
#include "frm_About.h"
#include "frm_eagle.h"

#include <QApplication>
#include <QDebug>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// Failures show Qt values as Qt writes them for debugging ("QSize(339, 219)", the names of
// window flags) rather than as bytes.
template <class T>
concept DebugPrintable = requires(QDebug debug, const T& value)
{
    debug << value;
};

template <class T>
requires DebugPrintable<T>
void PrintTo(const T& value, std::ostream* out)
{
    QString text;
    QDebug(&text).nospace() << value;
    *out << text.toStdString();
}

template <class T = QWidget>
T* child(const QObject& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Lets windows closed with WA_DeleteOnClose go.
inline void flush_deletions()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// A message box as the window would show it; `text` is where its text starts.
inline void expect_box(const QMessageBox& box, const QString& title, QMessageBox::Icon icon,
                       QMessageBox::StandardButtons buttons, const QString& text)
{
    EXPECT_EQ(box.windowTitle(), title);
    EXPECT_EQ(box.icon(), icon);
    EXPECT_EQ(box.standardButtons(), buttons);
    EXPECT_EQ(box.text().left(text.size()), text);
}

// Clicks the row, and with `twice` double-clicks it too, as a user would.
inline void choose(QAbstractItemView* view, int row, bool twice = false)
{
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    if (twice)
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

class WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(scratch.isValid() && QDir::setCurrent(folder));
        QSettings().clear();  // the tests' own settings (main), none kept from an earlier test
    }
    void TearDown() override
    {
        for (QWidget* top : QApplication::topLevelWidgets())
            delete qobject_cast<frm_About*>(top);
        flush_deletions();
        QDir::setCurrent(QCoreApplication::applicationDirPath());  // out of the scratch folder
    }
    frm_eagle& open(frm_eagle::Load load = frm_eagle::Load::now)
    {
        window = std::make_unique<frm_eagle>(nullptr, load);
        window->setMessageShower([this](const malvor::Message& m, QWidget*) {
            shown.push_back(malvor::make_message_box(m, nullptr));
        });
        window->show();
        activate(*window);
        return *window;
    }
    // Makes `top` the active window and waits until it is: access keys and the application's
    // focus reach only the active window, and another program's window may have taken that
    // from it meanwhile.
    static void activate(QWidget& top)
    {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&top));
        top.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&top));
    }
    QString in_folder(const QString& name) const { return folder + u'/' + name; }
    // A script's path as the window names it: on Windows with Windows' separators, and all in
    // lower case as Windows ignores case.
    QString script_in_folder(const QString& name) const
    {
#ifdef _WIN32
        return QDir::toNativeSeparators(in_folder(name)).toLower();
#else
        return in_folder(name);
#endif
    }
    void write_file(const QString& name, const QByteArray& bytes = {})
    {
        QFile file(in_folder(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    malvor::FileList* files(const char* name)
    {
        return child<malvor::FileList>(*window, name);
    }
    bool visible(const char* name)
    {
        return child(*window, name)->isVisibleTo(window.get());
    }
    // The lines shown by a file list or a result list.
    QStringList entries(const char* list)
    {
        QStringList lines;
        const QAbstractItemModel* model = child<QAbstractItemView>(*window, list)->model();
        for (int row = 0; row < model->rowCount(); ++row)
            lines << model->index(row, 0).data().toString();
        return lines;
    }
    // Selects `name` in the netlist list with the mouse and presses the reader's button.
    void read(const QString& name)
    {
        malvor::FileList* list = files("lst_open");
        list->setFolder(list->folder());
        QListWidgetItem* item = list->findItems(name, Qt::MatchExactly).value(0);
        ASSERT_NE(item, nullptr) << name.toStdString();
        choose(list, list->row(item));
        QTest::mouseClick(child(*window, "Cmd_read"), Qt::LeftButton);
    }

    QTemporaryDir scratch;
    const QString folder = QDir(scratch.path()).canonicalPath();
    std::unique_ptr<frm_eagle> window;
    std::vector<std::unique_ptr<QMessageBox>> shown;
};
