#pragma once
// The Libraries window: the EAGLE libraries a conversion or a check uses, in the order their
// packages are searched, and the package map, or none. Every change is kept at once.

#include "file_dialogs.h"
#include "library_choice.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

class frm_libraries : public QWidget {
    Q_OBJECT
public:
    // `choice` is the main window's, which outlives this window. `folder`: where Add starts.
    frm_libraries(malvor::LibraryChoice& choice, const malvor::FileDialogs& dialogs,
                  std::function<QString()> folder, QWidget* parent = nullptr);

    // Lists the map's errors ("MAP:LINE: message"); none hides the list.
    void showMapErrors(const QStringList& lines);
    // Shows the choice again, after it changed elsewhere (files opened).
    void refresh();

signals:
    void choiceChanged();

private:
    void changed();
    void add();
    void remove();
    void move(int by);
    void chooseMap();
    void noMap();

    malvor::LibraryChoice& choice_;
    const malvor::FileDialogs& dialogs_;
    std::function<QString()> folder_;
    QListWidget* libraries_;
    QPushButton* remove_;
    QPushButton* up_;
    QPushButton* down_;
    QLabel* map_;
    QPushButton* no_map_;
    QLabel* errors_heading_;
    QListWidget* map_errors_;
};
