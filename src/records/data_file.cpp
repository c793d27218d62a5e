#include "records/data_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// QSaveFile writes into a file named after the data file plus a dot and
// six random ASCII letters, then renames it into place. A kill between
// the two leaves that file behind; the next save takes it away. Only
// plain files of this user with exactly that shape of name are taken.
void remove_stale_temporaries(const QFileInfo& data_file)
{
    QDir folder = data_file.absoluteDir();
    QRegularExpression own_name(
        QRegularExpression::anchoredPattern(QRegularExpression::escape(data_file.fileName()) + "\\.[A-Za-z]{6}"));
    const QStringList candidates =
        folder.entryList({data_file.fileName() + ".??????"}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : candidates) {
        QFileInfo candidate(folder, name);
        if (own_name.match(name).hasMatch() && !candidate.isSymLink() && candidate.isFile()
            && candidate.ownerId() == geteuid())
            QFile::remove(candidate.filePath());
    }
}

// The rename lives in the folder: until the folder itself reaches the
// disk, a power cut can bring back the old file. Some file systems cannot
// sync a folder at all; only an input/output error means the save is lost.
bool sync_folder(const QFileInfo& data_file)
{
    int folder = open(QFile::encodeName(data_file.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return true;
    bool lost = fsync(folder) != 0 && errno == EIO;
    close(folder);
    return !lost;
}

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
    QFileInfo data_file(QString::fromUtf8(name));
    remove_stale_temporaries(data_file);
    QSaveFile file(data_file.filePath());
    // Unbuffered, so a short write (a full disk, a size limit) shows in
    // write()'s count: a buffered QSaveFile flushes in commit() and takes
    // a short write there for success, renaming the cut file into place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size) {
        file.cancelWriting();
        return false;
    }
    return file.commit() && sync_folder(data_file);
}
