// setup.exe's heap: the C library's allocation functions and C++'s new and
// delete, over the process heap of KERNEL32 (HeapAlloc). zlib's default
// allocator calls malloc and free (and calloc where an int is 16 bits).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <new>

extern "C" {

// A block of size bytes (also for 0: a unique one), or null when the heap is
// exhausted.
void* malloc(size_t size) {
    return HeapAlloc(GetProcessHeap(), 0, size);
}

// A block of count elements of size bytes, all zero; null when the heap is
// exhausted or count * size does not fit a size_t.
void* calloc(size_t count, size_t size) {
    if (size != 0 && count > static_cast<size_t>(-1) / size)
        return nullptr;
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, count * size);
}

// Gives back a block of malloc or calloc; null does nothing.
void free(void* block) {
    if (block)
        HeapFree(GetProcessHeap(), 0, block);
}

} // extern "C"

// The nothrow forms return null when the heap is exhausted; the program uses
// only these (it is built without exceptions).
const std::nothrow_t std::nothrow{};

void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return malloc(size);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return malloc(size);
}

void operator delete(void* block) noexcept {
    free(block);
}

void operator delete(void* block, size_t) noexcept {
    free(block);
}

void operator delete[](void* block) noexcept {
    free(block);
}

void operator delete[](void* block, size_t) noexcept {
    free(block);
}
