// A fresh, empty working directory for the length of a test: the game
// opens its data files by bare name there.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

class ScratchWorkingDir {
public:
    ScratchWorkingDir() : previous(QDir::currentPath()) { QDir::setCurrent(dir.path()); }
    ~ScratchWorkingDir() { QDir::setCurrent(previous); }
    ScratchWorkingDir(const ScratchWorkingDir&) = delete;
    ScratchWorkingDir& operator=(const ScratchWorkingDir&) = delete;

    // The file's bytes, or "(none)" when it does not exist.
    QByteArray read(const char* name) const
    {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
    }

private:
    QTemporaryDir dir;
    QString previous;
};
