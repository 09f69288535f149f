#include "RefusedNew.h"

#include <cstdlib>
#include <new>

namespace
{
std::size_t RefusedSize = 0; // 0: none is refused
} // namespace

TestKit::RefusedNew::RefusedNew(std::size_t size)
{
    RefusedSize = size;
}

TestKit::RefusedNew::~RefusedNew()
{
    RefusedSize = 0;
}

// The program's operator new and delete (array and nothrow forms go through these).
void* operator new(std::size_t size)
{
    if (RefusedSize != 0 && size == RefusedSize)
        throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}
