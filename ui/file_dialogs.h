#pragma once
// The file dialogs of the libraries, the map and the board to update, replaceable so that the
// windows can be driven without a user to answer them. Each gives the chosen paths, or nothing when
// cancelled.

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

namespace malvor {

struct FileDialogs {
    // Several .lbr files at once, starting in `folder`.
    std::function<QStringList(QWidget* parent, const QString& folder)> open_libraries;
    std::function<QString(QWidget* parent, const QString& folder)> open_map;
    // Where to write a map, `proposed` first.
    std::function<QString(QWidget* parent, const QString& proposed)> save_map;
    // The board to bring up to the netlist, starting in `folder`.
    std::function<QString(QWidget* parent, const QString& folder)> open_board;
};

// The system's own dialogs.
FileDialogs system_file_dialogs();

}  // namespace malvor
