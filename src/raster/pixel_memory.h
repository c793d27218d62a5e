// Where surfaces keep their pixels. A surface as large as the play field
// keeps them in a memory file, which the X server can map and read as it
// is: the play field's frames reach the server without being copied
// anywhere first. Smaller surfaces, and any where no memory file can be
// made, use the ordinary heap.
#pragma once

#include <cstddef>

void* allocate_pixels(std::size_t bytes);
void free_pixels(void* memory, std::size_t bytes);
// The memory file whose mapping starts at `memory`, or -1 when there is
// none; it stays the surface's and open until the pixels are freed.
int pixels_file(const void* memory);

template <typename T>
struct PixelAllocator {
    using value_type = T;
    PixelAllocator() = default;
    template <typename U>
    PixelAllocator(const PixelAllocator<U>&) {}
    T* allocate(std::size_t n) { return static_cast<T*>(allocate_pixels(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) { free_pixels(p, n * sizeof(T)); }
    friend bool operator==(const PixelAllocator&, const PixelAllocator&) { return true; }
};
