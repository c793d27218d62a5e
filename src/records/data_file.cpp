#include "records/data_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    QSaveFile file(QString::fromUtf8(name));
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
    return file.commit();
}
