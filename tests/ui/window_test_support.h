#pragma once
// Shared helpers of the window tests: a main window whose messages are recorded instead of
// shown, named controls, and a scratch folder that is also the working directory.

#include "drive_list.h"
#include "file_list.h"
#include "folder_list.h"
#include "frm_About.h"
#include "frm_eagle.h"
#include "message_box.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

template <class T = QWidget>
T* child(const QObject& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

inline void write_file(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Lets windows closed with WA_DeleteOnClose go.
inline void flush_deletions()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(scratch.isValid());
        previous_cwd = QDir::currentPath();
        folder = QDir(scratch.path()).canonicalPath();
        QDir::setCurrent(folder);
    }
    void TearDown() override
    {
        window.reset();
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (qobject_cast<frm_About*>(top))
                delete top;
        }
        flush_deletions();
        QDir::setCurrent(previous_cwd);
    }
    frm_eagle& open(frm_eagle::Load load = frm_eagle::Load::now)
    {
        window = std::make_unique<frm_eagle>(nullptr, load);
        window->setMessageShower([this](const malvor::Message& m, QWidget*) { shown.push_back(m); });
        if (load == frm_eagle::Load::now)
            window->show();
        return *window;
    }
    QString in_folder(const QString& name) const { return folder + u'/' + name; }
    malvor::FileList* lst_open() { return child<malvor::FileList>(*window, "lst_open"); }
    malvor::FileList* lst_lib() { return child<malvor::FileList>(*window, "lst_lib"); }
    bool loaded() { return child(*window, "cmd_do")->isVisibleTo(window.get()); }
    void activate()
    {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // Selects `name` in the netlist list with the mouse and presses the reader's button.
    void read(const QString& name)
    {
        lst_open()->setFolder(lst_open()->folder());
        QListWidgetItem* item = lst_open()->findItems(name, Qt::MatchExactly).value(0);
        ASSERT_NE(item, nullptr) << name.toStdString();
        lst_open()->scrollToItem(item);
        QTest::mouseClick(lst_open()->viewport(), Qt::LeftButton, {},
                          lst_open()->visualItemRect(item).center());
        QTest::mouseClick(child(*window, "Cmd_read"), Qt::LeftButton);
    }

    QTemporaryDir scratch;
    QString folder;
    QString previous_cwd;
    std::unique_ptr<frm_eagle> window;
    std::vector<malvor::Message> shown;
};
