// The plug-in's one allocation, the walk's point buffer, goes through the
// nothrow array forms of new and delete. Defining them here over the C
// runtime's heap keeps the C++ runtime's exception machinery out of the DLL.
#include <stdlib.h>

#include <new>

void *operator new[](size_t size, const std::nothrow_t &) noexcept
{
    return malloc(size ? size : 1);
}

void operator delete[](void *block) noexcept { free(block); }

void operator delete[](void *block, size_t) noexcept { free(block); }
