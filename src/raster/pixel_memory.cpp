#include "raster/pixel_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <new>

namespace {

// The field's 350 x 350 pixels take 490,000 bytes; pictures of a cat a
// few thousand.
constexpr std::size_t FILE_BACKED_BYTES = 256 * 1024;

struct Files {
    std::mutex mutex;
    std::map<const void*, int> by_memory;
};

Files& files()
{
    static Files known;
    return known;
}

void* map_memory_file(std::size_t bytes)
{
    int fd = memfd_create("tombora-pixels", MFD_CLOEXEC);
    if (fd < 0)
        return nullptr;
    void* memory = MAP_FAILED;
    if (ftruncate(fd, off_t(bytes)) == 0)
        memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    std::lock_guard lock(files().mutex);
    files().by_memory[memory] = fd;
    return memory;
}

}  // namespace

void* allocate_pixels(std::size_t bytes)
{
    if (bytes >= FILE_BACKED_BYTES)
        if (void* memory = map_memory_file(bytes))
            return memory;
    return ::operator new(bytes);
}

void free_pixels(void* memory, std::size_t bytes)
{
    {
        std::lock_guard lock(files().mutex);
        auto file = files().by_memory.find(memory);
        if (file != files().by_memory.end()) {
            munmap(memory, bytes);
            close(file->second);
            files().by_memory.erase(file);
            return;
        }
    }
    ::operator delete(memory);
}

int pixels_file(const void* memory)
{
    std::lock_guard lock(files().mutex);
    auto file = files().by_memory.find(memory);
    return file == files().by_memory.end() ? -1 : file->second;
}
