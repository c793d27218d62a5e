// Feeds any bytes, as a SoundFont, to the trimmer, and checks what the
// synthesiser's loader relies on: no crash, no access out of bounds, and
// a trimmed font that is a SoundFont again, which the trimmer takes as it
// is: trimmed a second time, it keeps the same head and the same preset
// section, so every kept preset still names the instruments and zones it
// named.
#include <cstdint>
#include <vector>

#include "fuzz_support.h"
#include "music/sound_font_trim.h"

namespace {

// A piano, a second melody program and the drum kit: the seeds hold these
// and presets beside them that are left out.
const PresetSet KEEP = {{0, 0}, {0, 1}, {128, 0}};

// The file the loader makes of a trimmed font: the kept head, with the
// RIFF size counting the new preset section, and that section behind it.
std::vector<uint8_t> trimmed_file(const uint8_t* data, const TrimmedSoundFont& font)
{
    std::vector<uint8_t> file(data, data + font.kept);
    file.insert(file.end(), font.tail.begin(), font.tail.end());
    uint32_t riff_size = uint32_t(file.size() - 8);
    for (int i = 0; i < 4; ++i)
        file[4 + i] = uint8_t(riff_size >> (8 * i));
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    write_scratch(data, size);
    auto font = trim_sound_font(scratch_path(), KEEP);
    if (!font)
        return 0;
    require(font->kept >= 12 && font->kept <= size, "the kept head lies inside the file");
    std::vector<uint8_t> file = trimmed_file(data, *font);
    write_scratch(file.data(), file.size());
    auto again = trim_sound_font(scratch_path(), KEEP);
    require(again.has_value(), "a trimmed SoundFont can be trimmed again");
    require(again->kept == font->kept && again->tail == font->tail, "a trimmed SoundFont trims to itself");
    return 0;
}
