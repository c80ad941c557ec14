#include "file_io.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <new>
#include <random>
#include <string>
#include <utility>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace malvor {
namespace {

namespace fs = std::filesystem;
using ReadResult = FileResult<SourceBytes>;

std::error_code last_errno()
{
    return {errno != 0 ? errno : EIO, std::generic_category()};
}

// The temporary file being written, for the signal handler: it only reads this pointer.
std::atomic<const fs::path::value_type*> temporary_to_remove{nullptr};
static_assert(std::atomic<const fs::path::value_type*>::is_always_lock_free);
// Its descriptor while open: Windows deletes no file that is still open.
std::atomic<int> temporary_fd_to_close{-1};
static_assert(std::atomic<int>::is_always_lock_free);

// What to say when a mapped file shrinks under the reader, for the SIGBUS handler.
std::atomic<const char*> bus_error_message{nullptr};

#ifndef _WIN32
extern "C" void report_bus_error_and_exit(int)
{
    remove_temporary_file();
    if (const char* message = bus_error_message.load())
        (void)!::write(STDERR_FILENO, message, std::strlen(message));
    ::_exit(1);
}
#endif

extern "C" void remove_temporary_and_die(int signal_number)
{
    remove_temporary_file();
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { close(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd)
    {
        close();
        fd_ = fd;
    }
    // Closes now and tells whether the system reported an error on close.
    bool close()
    {
        if (fd_ < 0)
            return true;
#ifdef _WIN32
        bool ok = ::_close(std::exchange(fd_, -1)) == 0;
#else
        bool ok = ::close(std::exchange(fd_, -1)) == 0;
#endif
        return ok;
    }

private:
    int fd_;
};

// ---- reading --------------------------------------------------------------------------------

using BufferResult = FileResult<std::string>;

// Reads to the end of a pipe or of a file whose size cannot be trusted.
BufferResult read_stream(int fd, std::size_t size_hint, SizeLimit limit)
{
    const auto largest = static_cast<std::size_t>(limit.bytes);
    std::string buffer;
    buffer.resize(size_hint + 1 > (std::size_t{1} << 16) ? size_hint + 1 : std::size_t{1} << 16);
    std::size_t used = 0;
    for (;;) {
        if (used == buffer.size()) {
            if (used > largest)
                return BufferResult::failure(limit.error, FileStep::read);
            buffer.resize(std::min<std::size_t>(buffer.size() * 2, largest + 1));
        }
#ifdef _WIN32
        auto room = static_cast<unsigned>(std::min<std::size_t>(buffer.size() - used, 1u << 30));
        auto got = ::_read(fd, buffer.data() + used, room);
#else
        auto got = ::read(fd, buffer.data() + used, buffer.size() - used);
#endif
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return BufferResult::failure(last_errno(), FileStep::read);
        }
        if (got == 0)
            break;
        used += static_cast<std::size_t>(got);
    }
    if (used > largest)
        return BufferResult::failure(limit.error, FileStep::read);
    // Giving back room costs a copy of the whole: worth it only for what doubling left over,
    // not for the byte a file of known size was read with.
    const bool wasted = buffer.size() - used > used / 8 + 1;
    buffer.resize(used);
    if (wasted)
        buffer.shrink_to_fit();
    BufferResult result;
    result.value = std::move(buffer);
    return result;
}

// Files are mapped where they can be, unless the reader needs a buffer of its own.
enum class Into { mapping_or_buffer, buffer };

ReadResult source_of(BufferResult read)
{
    if (!read.ok())
        return ReadResult::failure(read.error, read.failed_step);
    ReadResult result;
    result.value = SourceBytes(std::move(read.value));
    return result;
}

#ifdef _WIN32

ReadResult read_file(const fs::path& path, ReadKind kind, SizeLimit limit, Into)
{
    std::error_code ignored;
    if (fs::is_directory(path, ignored))
        return ReadResult::failure(std::make_error_code(std::errc::is_a_directory), FileStep::open);
    Descriptor fd(::_wopen(path.c_str(), _O_RDONLY | _O_BINARY));
    if (!fd.valid())
        return ReadResult::failure(last_errno(), FileStep::open);
    struct _stat64 info {};
    if (::_fstat64(fd.get(), &info) != 0)
        return ReadResult::failure(last_errno(), FileStep::open);
    const bool regular = (info.st_mode & _S_IFMT) == _S_IFREG;
    if (kind == ReadKind::regular_only && !regular)
        return ReadResult::failure(FileError::not_regular_file, FileStep::open);
    if ((info.st_mode & _S_IFMT) == _S_IFCHR)
        return ReadResult::failure(FileError::device_or_socket, FileStep::open);
    if (regular && static_cast<std::uint64_t>(info.st_size) > limit.bytes)
        return ReadResult::failure(limit.error, FileStep::open);
    return source_of(
        read_stream(fd.get(), regular ? static_cast<std::size_t>(info.st_size) : 0, limit));
}

#else

bool is_device_or_socket(mode_t mode)
{
    return S_ISCHR(mode) || S_ISBLK(mode) || S_ISSOCK(mode);
}

ReadResult read_file(const fs::path& path, ReadKind kind, SizeLimit limit, Into into)
{
    // Opening some devices already does something (a tape rewinds), so they are refused by
    // name first; the opened file's own kind decides in the end, as the name may change.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && is_device_or_socket(info.st_mode)) {
        return ReadResult::failure(kind == ReadKind::regular_only ? FileError::not_regular_file
                                                                  : FileError::device_or_socket,
                                   FileStep::open);
    }
    // Without O_NONBLOCK, opening a FIFO waits for a writer.
    int flags = O_RDONLY | O_CLOEXEC | (kind == ReadKind::regular_only ? O_NONBLOCK : 0);
    Descriptor fd;
    do {
        fd.reset(::open(path.c_str(), flags));
    } while (!fd.valid() && errno == EINTR);
    if (!fd.valid())
        return ReadResult::failure(last_errno(), FileStep::open);
    if (::fstat(fd.get(), &info) != 0)
        return ReadResult::failure(last_errno(), FileStep::open);
    if (S_ISDIR(info.st_mode))
        return ReadResult::failure(std::make_error_code(std::errc::is_a_directory), FileStep::open);
    if (kind == ReadKind::regular_only && !S_ISREG(info.st_mode))
        return ReadResult::failure(FileError::not_regular_file, FileStep::open);
    if (is_device_or_socket(info.st_mode))
        return ReadResult::failure(FileError::device_or_socket, FileStep::open);
    if (!S_ISREG(info.st_mode))
        return source_of(read_stream(fd.get(), 0, limit));

    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > limit.bytes)
        return ReadResult::failure(limit.error, FileStep::open);
    if (size != 0 && into == Into::mapping_or_buffer) {
        int map_flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
        map_flags |= MAP_POPULATE;  // one pass over the page cache instead of a fault per page
#endif
        void* address = ::mmap(nullptr, size, PROT_READ, map_flags, fd.get(), 0);
        if (address != MAP_FAILED) {
            ReadResult result;
            result.value = SourceBytes::adopt_mapping(address, static_cast<std::size_t>(size));
            return result;
        }
    }
    // Files that report no size (such as those under /proc) or cannot be mapped.
    return source_of(read_stream(fd.get(), static_cast<std::size_t>(size), limit));
}

#endif

// ---- writing --------------------------------------------------------------------------------

// A temporary name beside the script that says whose it is: a dot, as much of the script's
// name as leaves room for the rest within the system's limit of 255 bytes, random letters.
fs::path temporary_name(const fs::path& folder, const fs::path& script)
{
    static std::mt19937_64 random{std::random_device{}()};
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string tail = ".";
    for (int i = 0; i < 8; ++i)
        tail += letters[random() % (sizeof letters - 1)];
    tail += ".tmp";
    fs::path name = ".";
    name += script.filename().native().substr(0, 200);  // in the system's own characters
    name += tail;
    return folder / name;
}

// A temporary file that is removed unless told to stay; while it has a name, the signal
// handlers know it. On Linux it starts without a name (O_TMPFILE), so that a kill before it
// is complete leaves nothing, and gets one only just before it is renamed into place.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() { discard(); }

    std::error_code create(const fs::path& folder, const fs::path& script, bool anonymous)
    {
        folder_ = folder;
        script_ = script;
#if defined(__linux__) && defined(O_TMPFILE)
        if (anonymous) {
            int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            if (fd >= 0) {
                fd_.reset(fd);
                return {};
            }
        }
#else
        (void)anonymous;
#endif
        for (int attempt = 0; attempt < 32; ++attempt) {
            path_ = temporary_name(folder, script);
            auto created = create_new_file(path_);
            if (created.ok()) {
                fd_.reset(created.value);
                temporary_to_remove.store(path_.c_str());
                temporary_fd_to_close.store(created.value);
                return {};
            }
            if (created.error != std::errc::file_exists)
                return created.error;
        }
        path_.clear();
        return std::make_error_code(std::errc::file_exists);
    }

    int fd() const
    {
        return fd_.get();
    }
    bool anonymous() const
    {
        return path_.empty();
    }
    const fs::path& path() const
    {
        return path_;
    }

    // Gives an anonymous file its temporary name (before it is closed).
    std::error_code link()
    {
#if defined(__linux__) && defined(O_TMPFILE)
        const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
        for (int attempt = 0; attempt < 32; ++attempt) {
            path_ = temporary_name(folder_, script_);
            temporary_to_remove.store(path_.c_str());
            // Through /proc, as linking the descriptor itself needs a privilege.
            int done = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path_.c_str(), AT_SYMLINK_FOLLOW);
            if (done != 0 && errno == ENOENT)
                done = ::linkat(fd_.get(), "", AT_FDCWD, path_.c_str(), AT_EMPTY_PATH);
            if (done == 0)
                return {};
            const auto code = last_errno();
            forget_for_signals();
            path_.clear();
            if (code != std::errc::file_exists)
                return code;
        }
        return std::make_error_code(std::errc::file_exists);
#else
        return std::make_error_code(std::errc::not_supported);
#endif
    }

    bool close()
    {
        temporary_fd_to_close.store(-1);
        return fd_.close();
    }
    // The file has been renamed into place: nothing to remove any more.
    void keep()
    {
        forget_for_signals();
        path_.clear();
    }

private:
    void discard()
    {
        forget_for_signals();
        fd_.close();
        if (!path_.empty()) {
            std::error_code ignored;
            fs::remove(path_, ignored);
        }
    }
    void forget_for_signals()
    {
        temporary_to_remove.store(nullptr);
        temporary_fd_to_close.store(-1);
    }

    Descriptor fd_;
    fs::path folder_;
    fs::path script_;
    fs::path path_;
};

// Past a file-size limit, write() fails with EFBIG instead of the process being killed.
class FileSizeSignalIgnored {
#ifdef SIGXFSZ
public:
    FileSizeSignalIgnored()
    {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGXFSZ, &ignore, &previous_);
    }
    ~FileSizeSignalIgnored()
    {
        ::sigaction(SIGXFSZ, &previous_, nullptr);
    }

private:
    struct sigaction previous_ {};
#endif
};

bool write_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
#ifdef _WIN32
        auto chunk = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), 1u << 30));
        auto written = ::_write(fd, bytes.data(), chunk);
#else
        auto written = ::write(fd, bytes.data(), bytes.size());
#endif
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// What is known of the file a script replaces.
struct Existing {
    bool exists = false;
#ifndef _WIN32
    struct stat info {};
#endif
};

#ifdef _WIN32

fs::path final_target(const fs::path& target, std::error_code&)
{
    return target;
}

std::error_code inspect(const fs::path& target, Existing& existing)
{
    std::error_code code;
    auto status = fs::status(target, code);
    if (code && status.type() != fs::file_type::not_found)
        return code;
    existing.exists = fs::exists(status);
    if (status.type() == fs::file_type::directory)
        return std::make_error_code(std::errc::is_a_directory);
    if (existing.exists && status.type() != fs::file_type::regular)
        return FileError::not_regular_file;
    return {};
}

std::error_code take_over_attributes(int, const Existing&)
{
    return {};
}
bool sync(int fd)
{
    return ::_commit(fd) == 0;
}

std::error_code replace(const fs::path& temporary, const fs::path& target)
{
    if (::MoveFileExW(
            temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return {};
    return {static_cast<int>(::GetLastError()), std::system_category()};
}

void sync_folder(const fs::path&) {}

#else

// Follows a chain of symbolic links to the name at its end, which may not exist yet.
fs::path final_target(fs::path target, std::error_code& code)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return target;
        auto next = fs::read_symlink(target, code);
        if (code)
            return target;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    code = std::make_error_code(std::errc::too_many_symbolic_link_levels);
    return target;
}

std::error_code inspect(const fs::path& target, Existing& existing)
{
    if (::stat(target.c_str(), &existing.info) != 0)
        return errno == ENOENT ? std::error_code() : last_errno();
    existing.exists = true;
    if (S_ISDIR(existing.info.st_mode))
        return std::make_error_code(std::errc::is_a_directory);
    if (!S_ISREG(existing.info.st_mode))
        return FileError::not_regular_file;
    return {};
}

// After the data is written, as writing clears the set-user-ID and set-group-ID bits. The
// mode must take: a script left wider open than the one it replaces would be worse than none.
std::error_code take_over_attributes(int fd, const Existing& existing)
{
    if (!existing.exists)
        return {};  // created with 0666 less the umask
    // Owner first: changing it clears set-user-ID bits, which the mode then restores. Only
    // a privileged process may give the file away; others keep their own ownership.
    if (existing.info.st_uid != ::geteuid() || existing.info.st_gid != ::getegid()) {
        if (::fchown(fd, existing.info.st_uid, existing.info.st_gid) != 0) {
            // The group alone, where the process is one of its members; else it stays.
            [[maybe_unused]] int group_only = ::fchown(
                fd, static_cast<uid_t>(-1), existing.info.st_gid);
        }
    }
    return ::fchmod(fd, existing.info.st_mode & 07777) == 0 ? std::error_code() : last_errno();
}

bool sync(int fd)
{
    return ::fsync(fd) == 0;
}

std::error_code replace(const fs::path& temporary, const fs::path& target)
{
    return ::rename(temporary.c_str(), target.c_str()) == 0 ? std::error_code() : last_errno();
}

// Makes the new name durable. Some file systems cannot sync a folder; the script's data is
// on disk already then, so that is no reason to report a failure.
void sync_folder(const fs::path& folder)
{
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid())
        (void)::fsync(fd.get());
}

#endif

}  // namespace

FileResult<SourceBytes> read_whole_file(const fs::path& path, ReadKind kind, SizeLimit limit)
{
    try {
        return read_file(path, kind, limit, Into::mapping_or_buffer);
    } catch (const std::bad_alloc&) {
        return ReadResult::failure(
            std::make_error_code(std::errc::not_enough_memory), FileStep::read);
    }
}

FileResult<std::string> read_whole_file_to_buffer(const fs::path& path, ReadKind kind,
                                                  SizeLimit limit)
{
    try {
        auto read = read_file(path, kind, limit, Into::buffer);
        if (!read.ok())
            return BufferResult::failure(read.error, read.failed_step);
        BufferResult result;
        result.value = std::move(read.value).take_buffer();
        return result;
    } catch (const std::bad_alloc&) {
        return BufferResult::failure(
            std::make_error_code(std::errc::not_enough_memory), FileStep::read);
    }
}

FileResult<int> create_new_file(const fs::path& path)
{
#ifdef _WIN32
    int fd = ::_wopen(path.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY | _O_NOINHERIT,
                      _S_IREAD | _S_IWRITE);
#else
    int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
#endif
    if (fd < 0)
        return FileResult<int>::failure(last_errno(), FileStep::create);
    FileResult<int> result;
    result.value = fd;
    return result;
}

namespace {

// Where the system cannot give an anonymous file a name after all (no /proc), `link_failed`
// is set and the caller tries again with a named one.
FileDone write_through_temporary(const fs::path& file, const Existing& existing,
                                 const ByteProducer& produce, const BeforeReplace& before_replace,
                                 bool anonymous, bool& link_failed)
{
    fs::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    TemporaryFile temporary;
    std::error_code code;
    if ((code = temporary.create(folder, file, anonymous)))
        return FileDone::failure(code, FileStep::create);

    {
        [[maybe_unused]] FileSizeSignalIgnored size_limit_is_an_error;
        produce([&](std::string_view bytes) {
            if (!code && !write_all(temporary.fd(), bytes))
                code = last_errno();
        });
    }
    if (code)
        return FileDone::failure(code, FileStep::write);
    if ((code = take_over_attributes(temporary.fd(), existing)))
        return FileDone::failure(code, FileStep::permissions);
    if (!sync(temporary.fd()))
        return FileDone::failure(last_errno(), FileStep::sync);
    if (temporary.anonymous() && (code = temporary.link())) {
        link_failed = true;
        return FileDone::failure(code, FileStep::create);
    }
    if (!temporary.close())
        return FileDone::failure(last_errno(), FileStep::write);
    if (before_replace && (code = before_replace(file)))
        return FileDone::failure(code, FileStep::rename);
    if ((code = replace(temporary.path(), file)))
        return FileDone::failure(code, FileStep::rename);
    temporary.keep();
    sync_folder(folder);
    return {};
}

}  // namespace

FileDone write_file_atomically(const fs::path& target, const ByteProducer& produce,
                               const BeforeReplace& before_replace)
{
    std::error_code code;
    const fs::path file = final_target(target, code);
    if (code)
        return FileDone::failure(code, FileStep::open);
    Existing existing;
    if ((code = inspect(file, existing)))
        return FileDone::failure(code, FileStep::open);
    bool link_failed = false;
    auto done = write_through_temporary(file, existing, produce, before_replace, true, link_failed);
    if (link_failed)
        done = write_through_temporary(file, existing, produce, before_replace, false, link_failed);
    return done;
}

std::string report_bus_errors_as(std::string message)
{
#ifndef _WIN32
    static std::string kept[2];  // the handler may still read the one being replaced
    static int current = 0;
    std::string before = kept[current];
    current = 1 - current;
    kept[current] = std::move(message);
    bus_error_message.store(kept[current].c_str());
    static const bool installed = [] {
        struct sigaction report {};
        report.sa_handler = report_bus_error_and_exit;
        sigemptyset(&report.sa_mask);
        return ::sigaction(SIGBUS, &report, nullptr) == 0;
    }();
    (void)installed;
    return before;
#else
    (void)message;
    return {};
#endif
}

void remove_temporary_file()
{
    if (const auto* name = temporary_to_remove.exchange(nullptr)) {
#ifdef _WIN32
        int fd = temporary_fd_to_close.exchange(-1);
        if (fd >= 0)
            ::_close(fd);
        ::_wunlink(name);
#else
        ::unlink(name);
#endif
    }
}

void remove_temporary_file_on_signals()
{
#ifdef _WIN32
    for (int signal_number : {SIGINT, SIGTERM})
        std::signal(signal_number, remove_temporary_and_die);
#else
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        ::sigaction(signal_number, nullptr, &previous);
        if (previous.sa_handler == SIG_IGN)
            continue;  // as under nohup: the signal is not meant for this process
        struct sigaction cleanup {};
        cleanup.sa_handler = remove_temporary_and_die;
        sigemptyset(&cleanup.sa_mask);
        ::sigaction(signal_number, &cleanup, nullptr);
    }
#endif
}

}  // namespace malvor
