/* Replacements of the C library's allocation functions that count every call
 * while counting is enabled and forward to the C library's own allocator. The
 * C library calls these replacements too (for example from strdup), so every
 * heap allocation of the process passes here. Not built with sanitizers, which
 * bring their own replacements. */
#include <errno.h>
#include <stddef.h>

void MorvexNoteAllocation(void);
void MorvexNoteRelease(void);

extern void* __libc_malloc(size_t size);
extern void* __libc_calloc(size_t count, size_t size);
extern void* __libc_realloc(void* pointer, size_t size);
extern void __libc_free(void* pointer);
extern void* __libc_memalign(size_t alignment, size_t size);
extern void* __libc_valloc(size_t size);
extern void* __libc_pvalloc(size_t size);

void* malloc(size_t size)
{
    MorvexNoteAllocation();
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size)
{
    MorvexNoteAllocation();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size)
{
    MorvexNoteAllocation();
    return __libc_realloc(pointer, size);
}

void free(void* pointer)
{
    if (pointer)
        MorvexNoteRelease();
    __libc_free(pointer);
}

void* memalign(size_t alignment, size_t size)
{
    MorvexNoteAllocation();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size)
{
    MorvexNoteAllocation();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** result, size_t alignment, size_t size)
{
    void* pointer;
    if (alignment == 0 || (alignment & (alignment - 1)) != 0 || alignment % sizeof(void*) != 0)
        return EINVAL;
    MorvexNoteAllocation();
    pointer = __libc_memalign(alignment, size);
    if (!pointer)
        return ENOMEM;
    *result = pointer;
    return 0;
}

void* valloc(size_t size)
{
    MorvexNoteAllocation();
    return __libc_valloc(size);
}

void* pvalloc(size_t size)
{
    MorvexNoteAllocation();
    return __libc_pvalloc(size);
}
