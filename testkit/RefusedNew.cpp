#include "RefusedNew.h"

#include <cstdlib>
#include <new>

std::size_t TestKit::RefusedNewSize = 0;

void* operator new(std::size_t size)
{
    if (TestKit::RefusedNewSize != 0 && size == TestKit::RefusedNewSize)
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
