#pragma once
// File-system names as the pickers hold them, and the listing of a folder.
//
// A path is a QString that keeps the exact bytes the file system uses: a byte that is not part of
// valid UTF-8 is held as the lone surrogate U+DC80..U+DCFF, so that a file or folder named
// "\xff\xfe.net" can be listed, entered and opened like any other. On Windows names are UTF-16
// and always valid, and paths are plain Qt paths.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <filesystem>
#include <system_error>

namespace malvor {

QString path_from_bytes(QByteArrayView bytes);
// The exact bytes of `path` (on Windows: in the system code page, as Qt encodes file names).
QByteArray path_bytes(const QString& path);
std::filesystem::path native_path(const QString& path);

// `path` for the eye: a byte that is not valid UTF-8 shows as its Latin-1 character, or as
// U+FFFD where that would be a control character.
QString shown_path(const QString& path);

// The process's working directory, exactly.
QString working_folder();
// `path` made absolute against the working directory, without "." and ".." steps.
QString absolute_path(const QString& path);
// The folder that holds `path`; a root is its own parent.
QString parent_folder(const QString& path);
QString name_in_path(const QString& path);
QString child_path(const QString& folder, const QString& name);

bool is_folder(const QString& path);

enum class EntryKind { folders, files };

struct FolderListing {
    QStringList names;      // sorted by their shown text, ignoring case
    std::error_code error;  // why the folder could not be listed; `names` is then empty
};

// The subfolders or the files of `folder` whose names match the wildcard `pattern`, ignoring
// case; names starting with a dot are hidden, as are "." and "..".
FolderListing list_folder(const QString& folder, EntryKind kind,
                          const QString& pattern = QStringLiteral("*"));

}  // namespace malvor
