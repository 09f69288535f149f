#pragma once
// A replacement operator new for the program that links this: while a RefusedNew lives, a request
// of exactly its size fails with std::bad_alloc, as it would with no memory left. Sizes are
// chosen so that only the allocation under test asks for them.
//
//   TestKit::RefusedNew refused(40 * sizeof(D3DMATERIAL9));  // the material list of 40 entries
//   EXPECT_EQ(mesh.LoadMesh(...), 10);
#include <cstddef>

namespace TestKit
{
class RefusedNew
{
public:
    explicit RefusedNew(std::size_t size);
    ~RefusedNew();
    RefusedNew(const RefusedNew&) = delete;
    RefusedNew& operator=(const RefusedNew&) = delete;
};
} // namespace TestKit
