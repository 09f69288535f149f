// Prints "assets_generate_s: <seconds>": the best of three in-process runs of the generator's
// work (build every model and image, encode, write) into a fresh temp folder.
#include "tools/AssetGenerator/Assets.h"

#include <windows.h>

#include <cstdio>
#include <string>

int main()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "vexa_assets_bench_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    LARGE_INTEGER frequency, start, stop;
    QueryPerformanceFrequency(&frequency);
    double best = 1e30;
    for (int run = 0; run < 3; ++run)
    {
        QueryPerformanceCounter(&start);
        if (Assets::GenerateAll(folder) != 0)
        {
            std::fprintf(stderr, "assets_generate_bench: cannot write into %s\n", folder.c_str());
            return 1;
        }
        QueryPerformanceCounter(&stop);
        double seconds = static_cast<double>(stop.QuadPart - start.QuadPart) / frequency.QuadPart;
        best = seconds < best ? seconds : best;
    }
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
            DeleteFileA((folder + found.cFileName).c_str());
        while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
    std::printf("assets_generate_s: %.3f\n", best);
    return 0;
}
