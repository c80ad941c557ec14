#pragma once
// The libraries and the package map chosen for conversions and checks, and what a conversion
// writes, kept between runs.

#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace malvor {

struct LibraryChoice {
    QStringList libraries;  // paths, in the order the packages are searched
    QString map;            // path, or empty for none
    bool board = false;     // "Do Eagle Net" writes the board instead of the script

    // From the program's settings (QSettings with the application's names), and back.
    static LibraryChoice load();
    void save() const;

    // The paths as the conversion layers take them: the file system's bytes.
    std::vector<std::string> library_bytes() const;
    std::optional<std::string> map_bytes() const;
};

}  // namespace malvor
