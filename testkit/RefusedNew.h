#pragma once
// A seam for running out of memory: linking this replaces the global operator new and delete
// of the program (on malloc and free), and a request of exactly RefusedNewSize bytes through
// operator new then throws std::bad_alloc (0: none does). A program that uses it names
// RefusedNewSize, which is what links the replacement in.
#include <cstddef>

namespace TestKit
{
extern std::size_t RefusedNewSize;
} // namespace TestKit
