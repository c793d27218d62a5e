// make_music <out dir>: writes the game's two pieces, tombora.mid (title)
// and bgm.mid (a round), as General MIDI files. The output is the same,
// byte for byte, on every run.
#include <exception>
#include <filesystem>
#include <iostream>

#include "smf_writer.h"
#include "songs.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_music <out dir>\n";
    return 2;
  }
  try {
    const std::filesystem::path out_dir = argv[1];
    std::filesystem::create_directories(out_dir);
    music::write_smf(music::title_song(), out_dir / "tombora.mid");
    music::write_smf(music::round_song(), out_dir / "bgm.mid");
  } catch (const std::exception& error) {
    std::cerr << "make_music: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
