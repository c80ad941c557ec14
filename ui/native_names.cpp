#include "native_names.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <utility>
#include <vector>

namespace malvor {
namespace {

#ifndef _WIN32
constexpr char16_t stray_base = 0xDC00;

// A lone low surrogate of U+DC80..U+DCFF stands for the byte 0x80..0xFF; one that follows a
// high surrogate is half of a real character.
bool is_stray(QStringView text, qsizetype at)
{
    const char16_t unit = text[at].unicode();
    return unit >= stray_base + 0x80 && unit <= stray_base + 0xFF &&
           (at == 0 || !text[at - 1].isHighSurrogate());
}

// The length of the well-formed UTF-8 sequence starting at `at`, 0 when there is none: no
// overlong forms, no surrogates, nothing above U+10FFFF.
qsizetype sequence_length(QByteArrayView bytes, qsizetype at)
{
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes[at + k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the bounds of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || bytes.size() - at < length || byte(1) < low || byte(1) > high)
        return 0;
    for (qsizetype k = 2; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}
#endif

QString name_of(const std::filesystem::path& name)
{
#ifdef _WIN32
    return QString::fromStdWString(name.native());
#else
    return path_from_bytes(QByteArrayView(name.native()));
#endif
}

// The length of the root at the start of a clean absolute path: "/", "C:/" or "//server/share/".
qsizetype root_length(const QString& path)
{
    if (path.size() >= 3 && path[1] == u':' && path[2] == u'/')
        return 3;
    if (path.startsWith(u"//")) {
        const qsizetype share = path.indexOf(u'/', 2);
        const qsizetype end = share < 0 ? -1 : path.indexOf(u'/', share + 1);
        return end < 0 ? path.size() : end + 1;
    }
    return path.startsWith(u'/') ? 1 : 0;
}

bool is_hidden(const QString& name)
{
#ifdef _WIN32
    Q_UNUSED(name);
    return false;
#else
    return name.startsWith(u'.');
#endif
}

}  // namespace

QString path_from_bytes(QByteArrayView bytes)
{
#ifdef _WIN32
    return QFile::decodeName(bytes.toByteArray());
#else
    QString path;
    path.reserve(bytes.size());
    qsizetype run = 0;  // start of the valid UTF-8 not yet taken over
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype length = sequence_length(bytes, at);
        if (length > 0) {
            at += length;
            continue;
        }
        path += QString::fromUtf8(bytes.sliced(run, at - run));
        path += QChar(stray_base + static_cast<unsigned char>(bytes[at]));
        run = ++at;
    }
    return path + QString::fromUtf8(bytes.sliced(run));
#endif
}

QByteArray path_bytes(const QString& path)
{
#ifdef _WIN32
    return QFile::encodeName(path);
#else
    QByteArray bytes;
    qsizetype run = 0;
    for (qsizetype at = 0; at < path.size(); ++at) {
        if (!is_stray(path, at))
            continue;
        bytes += QStringView(path).sliced(run, at - run).toUtf8();
        bytes += static_cast<char>(path[at].unicode() - stray_base);
        run = at + 1;
    }
    return bytes + QStringView(path).sliced(run).toUtf8();
#endif
}

std::filesystem::path native_path(const QString& path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(path_bytes(path).toStdString());
#endif
}

QString shown_path(const QString& path)
{
    QString shown = path;
#ifndef _WIN32
    for (qsizetype at = 0; at < shown.size(); ++at) {
        if (!is_stray(path, at))
            continue;
        // 0x80..0x9F are control characters in Latin-1.
        const char16_t byte = path[at].unicode() - stray_base;
        shown[at] = byte >= 0xA0 ? QChar(byte) : QChar::ReplacementCharacter;
    }
#endif
    return shown;
}

QString working_folder()
{
#ifndef _WIN32
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    if (!error)
        return name_of(folder);
#endif
    return QDir::currentPath();
}

QString absolute_path(const QString& path)
{
    return QDir::cleanPath(QDir::isRelativePath(path) ? working_folder() + u'/' + path : path);
}

QString parent_folder(const QString& path)
{
    const qsizetype root = root_length(path);
    if (path.size() <= root)
        return path;
    const qsizetype slash = path.lastIndexOf(u'/');
    return slash < root ? path.left(root) : path.left(slash);
}

QString name_in_path(const QString& path)
{
    return path.size() <= root_length(path) ? path : path.mid(path.lastIndexOf(u'/') + 1);
}

QString child_path(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

bool is_folder(const QString& path)
{
    std::error_code error;
    return !path.isEmpty() && std::filesystem::is_directory(native_path(path), error);
}

FolderListing list_folder(const QString& folder, EntryKind kind, const QString& pattern)
{
    const QRegularExpression wanted_name(QRegularExpression::wildcardToRegularExpression(pattern),
                                         QRegularExpression::CaseInsensitiveOption);
    std::vector<std::pair<QString, QString>> found;  // shown name, name
    std::error_code error;
    std::filesystem::directory_iterator entry(native_path(folder), error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        const QString name = name_of(entry->path().filename());
        const QString shown = shown_path(name);
        std::error_code type_error;  // an entry that vanished meanwhile is of no kind
        const bool kind_matches = kind == EntryKind::folders ? entry->is_directory(type_error)
                                                             : entry->is_regular_file(type_error);
        if (kind_matches && !is_hidden(name) && wanted_name.match(shown).hasMatch())
            found.emplace_back(shown, name);
    }
    FolderListing listing;
    if (error) {
        listing.error = error;
        return listing;
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        const int order = QString::compare(a.first, b.first, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : path_bytes(a.second) < path_bytes(b.second);
    });
    for (auto& [shown, name] : found)
        listing.names << std::move(name);
    return listing;
}

}  // namespace malvor
