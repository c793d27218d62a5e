#include "music/sound_font_loader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "music/fluid_library.h"
#include "music/thread_safety.h"

namespace {

// The loader's callbacks carry no context of their own: the trimmed forms
// are found by the file's name. The synthesiser opens the file again to
// read an instrument's samples when a channel selects it: where a Synth is
// made, for the instruments it holds; and on the mixer, under its lock,
// for one a piece selects that no channel holds (a program change with no
// note after it, one the SoundFont lacks and falls back from, a
// seventeenth instrument). The game's two pieces select none such.
struct Offered {
    Mutex mutex;
    std::map<std::string, std::shared_ptr<const TrimmedSoundFont>> fonts GUARDED_BY(mutex);
};
Offered& offered()
{
    static Offered offered;
    return offered;
}

struct TrimmedFile {
    std::FILE* file;
    std::shared_ptr<const TrimmedSoundFont> font;
    uint64_t pos = 0;
};

void* open_file(const char* name)
{
    std::shared_ptr<const TrimmedSoundFont> font;
    {
        Offered& known = offered();
        MutexLock lock(known.mutex);
        auto it = known.fonts.find(name);
        if (it == known.fonts.end())
            return nullptr;
        font = it->second;
    }
    std::FILE* file = std::fopen(name, "rb");
    return file ? new TrimmedFile{file, std::move(font)} : nullptr;
}

bool read_kept(TrimmedFile& f, uint8_t* out, uint64_t count)
{
    if (std::fseek(f.file, long(f.pos), SEEK_SET) != 0 || std::fread(out, 1, count, f.file) != count)
        return false;
    // The RIFF size, at bytes 4 to 7, is the trimmed file's.
    uint32_t riff = uint32_t(f.font->size() - 8);
    for (uint64_t i = std::max<uint64_t>(f.pos, 4); i < std::min<uint64_t>(f.pos + count, 8); ++i)
        out[i - f.pos] = uint8_t(riff >> (8 * (i - 4)));
    return true;
}

int read_file(void* buffer, fluid_long_long_t count, void* handle)
{
    auto& f = *static_cast<TrimmedFile*>(handle);
    auto* out = static_cast<uint8_t*>(buffer);
    if (count < 0 || f.pos + uint64_t(count) > f.font->size())
        return FLUID_FAILED;
    uint64_t from_file = f.pos < f.font->kept ? std::min<uint64_t>(count, f.font->kept - f.pos) : 0;
    if (from_file > 0 && !read_kept(f, out, from_file))
        return FLUID_FAILED;
    f.pos += from_file;
    uint64_t rest = uint64_t(count) - from_file;
    std::memcpy(out + from_file, f.font->tail.data() + (f.pos - f.font->kept), rest);
    f.pos += rest;
    return FLUID_OK;
}

int seek_file(void* handle, fluid_long_long_t offset, int origin)
{
    auto& f = *static_cast<TrimmedFile*>(handle);
    long long base = origin == SEEK_CUR ? f.pos : origin == SEEK_END ? f.font->size() : 0;
    if (base + offset < 0 || uint64_t(base + offset) > f.font->size())
        return FLUID_FAILED;
    f.pos = uint64_t(base + offset);
    return FLUID_OK;
}

fluid_long_long_t tell_file(void* handle) { return static_cast<TrimmedFile*>(handle)->pos; }

int close_file(void* handle)
{
    auto* f = static_cast<TrimmedFile*>(handle);
    std::fclose(f->file);
    delete f;
    return FLUID_OK;
}

}  // namespace

fluid_sfloader_t* new_trimming_sfloader(fluid_settings_t* settings)
{
    const FluidLibrary* f = fluid();
    fluid_sfloader_t* loader = f->new_fluid_defsfloader(settings);
    if (loader)
        f->fluid_sfloader_set_callbacks(loader, open_file, read_file, seek_file, tell_file, close_file);
    return loader;
}

void offer_trimmed_sound_font(const std::string& path, std::shared_ptr<const TrimmedSoundFont> font)
{
    Offered& known = offered();
    MutexLock lock(known.mutex);
    known.fonts[path] = std::move(font);
}
