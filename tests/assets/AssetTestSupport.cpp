#include "AssetTestSupport.h"

#include "tests/support/Files.h"
#include "tests/support/Programs.h"
#include "tests/support/ScratchFolder.h"

namespace AssetTest
{
std::string WindowsPath(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return path;
    std::string out = "Z:" + path;
    for (char& c : out)
        if (c == '/')
            c = '\\';
    return out;
}

std::wstring Widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    return ::ReadWholeFile(Widen(path), bytes);
}

std::string MakeTempFolder(const char* tag)
{
    const std::wstring folder = MakeScratchFolder(std::string("assets-") + tag);
    return std::string(folder.begin(), folder.end()) + "\\"; // the temp path is plain ASCII
}

void RemoveFolder(const std::string& folder)
{
    RemoveFolderTree(Widen(folder.substr(0, folder.find_last_not_of('\\') + 1)));
}

unsigned long RunProgram(const std::string& exe, const std::string& arguments)
{
    return ::RunProgram(Widen(exe), Widen(arguments), 120000);
}
} // namespace AssetTest
