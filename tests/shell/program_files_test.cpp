// Where the game finds its music, sounds and help: next to the program
// when they lie there (a build tree, a copy installed in one folder),
// otherwise in the folder the installed game keeps them in.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "shell/program_files.h"

namespace {

std::string path_of(const QTemporaryDir& dir) { return dir.path().toStdString(); }

void put(const QTemporaryDir& dir, const char* name)
{
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(ProgramFolder, OwnFolderWinsWhenItHoldsTheFilesWhateverTheirCase)
{
    QTemporaryDir own, installed;
    put(own, "BGM.MID");
    EXPECT_EQ(choose_program_folder(path_of(own), path_of(installed)), path_of(own));
}

TEST(ProgramFolder, InstalledFolderWhenTheProgramStandsAlone)
{
    QTemporaryDir own, installed;
    put(own, "tombora.mid");  // one stray file does not make a program folder
    EXPECT_EQ(choose_program_folder(path_of(own), path_of(installed)), path_of(installed));
}

TEST(ProgramFolder, OwnFolderWhenNoInstalledFolderIsKnown)
{
    QTemporaryDir own;
    EXPECT_EQ(choose_program_folder(path_of(own), ""), path_of(own));
}

}  // namespace
