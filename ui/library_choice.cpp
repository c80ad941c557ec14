#include "library_choice.h"

#include "native_names.h"

#include <QSettings>

namespace malvor {
namespace {

const QString libraries_key = QStringLiteral("conversion/libraries");
const QString map_key = QStringLiteral("conversion/map");
const QString output_key = QStringLiteral("conversion/output");
const QString board_output = QStringLiteral("board");

}  // namespace

LibraryChoice LibraryChoice::load()
{
    const QSettings settings;
    return {settings.value(libraries_key).toStringList(), settings.value(map_key).toString(),
            settings.value(output_key).toString() == board_output};
}

void LibraryChoice::save() const
{
    QSettings settings;
    settings.setValue(libraries_key, libraries);
    settings.setValue(map_key, map);
    settings.setValue(output_key, board ? board_output : QStringLiteral("script"));
}

std::vector<std::string> LibraryChoice::library_bytes() const
{
    std::vector<std::string> paths;
    for (const QString& library : libraries)
        paths.push_back(path_bytes(library).toStdString());
    return paths;
}

std::optional<std::string> LibraryChoice::map_bytes() const
{
    if (map.isEmpty())
        return std::nullopt;
    return path_bytes(map).toStdString();
}

}  // namespace malvor
