// What the saves of "HISCORE.dat" and "config.dat" do to the folder they
// are in: they change the data file and nothing else of the player's, and
// a save killed half-way leaves nothing behind once the next one is done.
#include "records/data_file.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "records/high_score_file.h"
#include "records/settings_file.h"
#include "records_fixture.h"
#include "shell/game_vars.h"

namespace {

namespace fs = std::filesystem;

std::set<std::string> folder_listing()
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator("."))
        names.insert(entry.path().filename().string());
    return names;
}

// A file as the player left it: its bytes and the inode that holds them,
// so a copy put in its place shows too.
struct PlayerFile {
    std::string bytes;
    ino_t inode;
    bool operator==(const PlayerFile&) const = default;
};

class DataFileTest : public RecordsTest {
protected:
    PlayerFile player_file(const std::string& name)
    {
        struct stat status {};
        EXPECT_EQ(lstat(name.c_str(), &status), 0) << name;
        return {read_bytes(name), status.st_ino};
    }
    // Each data file saved twice, the way the game saves it: the table
    // cleared and written, then written with a score in it; the sound
    // options saved off, then on.
    void save_both_twice()
    {
        clear_high_table();
        write_high_scores();
        rank_score[0] = 4000;
        write_high_scores();
        for (bool on : {false, true}) {
            fake.checked[MenuItem::music] = on;
            fake.checked[MenuItem::se] = on;
            write_settings();
        }
    }
};

TEST_F(DataFileTest, SavesChangeNoFileOfThePlayersWhateverItsName)
{
    // Backups, and names of the shape other programs give their temporary
    // files: all the player's, however close to the data files' names.
    const std::string names[] = {
        "HISCORE.dat.backup", "HISCORE.dat.Backup", "config.dat.backup", "HISCORE.dat.AbCdEf",
        "config.dat.wXOACc",  "HISCORE.dat.bak",    "HISCORE.dat~",      "xHISCORE.dat.wXOACc",
        "HISCORE.datXwXOACc", ".HISCORE.dat.swp",   "target",
    };
    std::map<std::string, PlayerFile> before;
    for (const std::string& name : names) {
        write_bytes(name, "the player's own " + name);
        before[name] = player_file(name);
    }
    fs::create_directory("HISCORE.dat.Folder");
    fs::create_symlink("target", "HISCORE.dat.Linked");
    write_bytes("HISCORE.dat", "\"old\",1,1\r\n");
    write_bytes("config.dat", "0,0\r\n");
    std::set<std::string> listing = folder_listing();

    save_both_twice();
    save_both_twice();

    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(folder_listing(), listing);
    for (const auto& [name, file] : before)
        EXPECT_EQ(player_file(name), file) << name << " was changed";
    EXPECT_TRUE(fs::is_directory("HISCORE.dat.Folder"));
    EXPECT_EQ(fs::read_symlink("HISCORE.dat.Linked"), "target");
    EXPECT_EQ(read_bytes("config.dat"), "1,1\r\n");
    reset_game_vars();
    read_high_scores();
    EXPECT_EQ(rank_score[0], 4000);
}

TEST_F(DataFileTest, ASaveKilledHalfWayLeavesNothingOnceTheNextSaveIsDone)
{
    const std::string old_line = "\"old\",1,1\r\n";
    write_bytes("HISCORE.dat", old_line);
    write_bytes("HISCORE.dat.backup", old_line);
    rank_score[0] = 4000;

    // A save really killed while writing: the file-size limit's signal,
    // left to its default, ends the saving process part-way through the
    // 64-byte line.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_DFL);
        rlimit small_limit{};
        getrlimit(RLIMIT_FSIZE, &small_limit);
        small_limit.rlim_cur = 16;
        setrlimit(RLIMIT_FSIZE, &small_limit);
        write_high_scores();
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "status " << status;
    EXPECT_EQ(read_bytes("HISCORE.dat"), old_line);

    // A save killed between naming its new file and renaming it over the
    // old one leaves that file under the saving name.
    const std::string leftover = std::string("HISCORE.dat") + DATA_FILE_SAVING_SUFFIX;
    write_bytes(leftover, old_line.substr(0, 5));

    write_high_scores();
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_EQ(folder_listing(), (std::set<std::string>{"HISCORE.dat", "HISCORE.dat.backup"}));
    EXPECT_EQ(read_bytes("HISCORE.dat.backup"), old_line);
    reset_game_vars();
    read_high_scores();
    EXPECT_EQ(rank_score[0], 4000);
}

TEST_F(DataFileTest, ASaveWritesThroughALinkAndKeepsTheFilesPermissions)
{
    // The player keeps the options elsewhere, behind a link, readable by
    // the group only; a data file saved for the first time gets what the
    // umask leaves.
    fs::create_directory("elsewhere");
    write_bytes("elsewhere/config.dat", "0,0\r\n");
    ASSERT_EQ(chmod("elsewhere/config.dat", 0640), 0);
    fs::create_symlink("elsewhere/config.dat", "config.dat");
    mode_t old_umask = umask(027);

    fake.checked[MenuItem::music] = true;
    write_settings();
    write_high_scores();
    umask(old_umask);

    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(fs::is_symlink("config.dat"));
    EXPECT_EQ(read_bytes("elsewhere/config.dat"), "1,0\r\n");
    EXPECT_EQ(folder_listing(), (std::set<std::string>{"HISCORE.dat", "config.dat", "elsewhere"}));
    EXPECT_EQ(fs::directory_iterator("elsewhere")->path().filename(), "config.dat");
    EXPECT_EQ(std::distance(fs::directory_iterator("elsewhere"), fs::directory_iterator()), 1);
    EXPECT_EQ(fs::status("elsewhere/config.dat").permissions(), fs::perms(0640));
    EXPECT_EQ(fs::status("HISCORE.dat").permissions(), fs::perms(0640));
}

}  // namespace
