#include "records/data_file.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor()
    {
        if (fd_ >= 0)
            close(fd_);
    }
    int get() const { return fd_; }
    bool is_open() const { return fd_ >= 0; }

private:
    int fd_;
};

// Where a save lands: the data file itself, or the file its symbolic link
// names, so that a player's link to a file kept elsewhere stays a link.
struct SaveTarget {
    std::string folder;
    std::string file;
    std::string saving;  // the new file's name until it takes the file's place
    std::optional<mode_t> existing_mode;
};

std::optional<SaveTarget> save_target(const char* name)
{
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path path(name);
    // A missing file is no error here: the first save makes it.
    if (fs::is_symlink(fs::symlink_status(path, error)))
        path = fs::weakly_canonical(path, error);
    if ((error && error != std::errc::no_such_file_or_directory) || !path.has_filename())
        return std::nullopt;
    SaveTarget target{path.has_parent_path() ? path.parent_path().string() : ".", path.filename().string(),
                      path.filename().string() + DATA_FILE_SAVING_SUFFIX, std::nullopt};
    struct stat existing {};
    if (stat(path.c_str(), &existing) == 0) {
        // A folder or a pipe in the file's place is not the player's data.
        if (!S_ISREG(existing.st_mode))
            return std::nullopt;
        target.existing_mode = existing.st_mode & 07777;
    }
    return target;
}

// The new file, not yet in the folder's listing: a save killed before it
// is linked in leaves nothing behind. Where the file system cannot make
// such a file, it is made under the saving name, and a later save that
// finds that name takes it away.
int open_new_file(int folder, const SaveTarget& target, bool& named)
{
    // A new data file gets the permissions the umask leaves; a file saved
    // over an old one is private until it takes the old one's permissions.
    mode_t mode = target.existing_mode ? 0600 : 0666;
    // An unnamed file is linked in through /proc, which a bare chroot may
    // lack.
    int fd = access("/proc/self/fd", X_OK) == 0 ? openat(folder, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode) : -1;
    named = fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == ENOENT || errno == EACCES);
    if (named)
        fd = openat(folder, target.saving.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
    return fd;
}

// Short writes are failures: a full disk or a size limit must never let a
// cut file replace the old one.
bool write_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool keep_old_mode(int fd, const SaveTarget& target)
{
    return !target.existing_mode || fchmod(fd, *target.existing_mode) == 0;
}

bool link_in(int fd, int folder, const SaveTarget& target)
{
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    return linkat(AT_FDCWD, self.c_str(), folder, target.saving.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// The rename lives in the folder: until the folder itself reaches the
// disk, a power cut can bring back the old file. Some file systems cannot
// sync a folder at all; only an input/output error means the save is lost.
bool sync_folder(int folder) { return fsync(folder) == 0 || errno != EIO; }

}  // namespace

std::string read_data_file(const char* name)
{
    QFile file(QString::fromUtf8(name));
    // Only a plain file: a pipe in its place would hold the start-up
    // forever waiting for a writer.
    if (!QFileInfo(file).isFile() || !file.open(QIODevice::ReadOnly))
        return {};
    return file.read(DATA_FILE_READ_LIMIT).toStdString();
}

bool write_data_file(const char* name, std::string_view bytes)
{
    std::optional<SaveTarget> target = save_target(name);
    if (!target)
        return false;
    Descriptor folder(open(target->folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.is_open())
        return false;
    // What a killed save left under the saving name; only this game makes
    // a file of that name.
    unlinkat(folder.get(), target->saving.c_str(), 0);
    bool named = false;
    Descriptor file(open_new_file(folder.get(), *target, named));
    if (!file.is_open())
        return false;
    bool complete = write_all(file.get(), bytes) && keep_old_mode(file.get(), *target) && fsync(file.get()) == 0;
    bool linked = named || (complete && link_in(file.get(), folder.get(), *target));
    if (complete && linked && renameat(folder.get(), target->saving.c_str(), folder.get(), target->file.c_str()) == 0)
        return sync_folder(folder.get());
    if (linked)
        unlinkat(folder.get(), target->saving.c_str(), 0);
    return false;
}
