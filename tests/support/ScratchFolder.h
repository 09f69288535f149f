#pragma once
// ScratchFolder: a fresh folder under %TEMP% for one test, removed with everything in it when the
// object goes. Enter() makes it the working directory until then.
//
//   ScratchFolder folder("FStream");          // <temp>\vexa-FStream-<pid>-<n>
//   WriteFileBytes(folder.File(L"a.bin"), bytes);
#include <string>
#include <vector>

class ScratchFolder
{
public:
    // tag: any text (a test name); characters other than letters and digits become '_'.
    explicit ScratchFolder(const std::string& tag = "test");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    // <folder>\<name>; name may hold "\".
    std::wstring File(const std::wstring& name) const { return m_path + L"\\" + name; }
    // Writes the bytes to File(name) and returns that path.
    std::wstring Write(const std::wstring& name, const std::vector<unsigned char>& bytes) const;
    // The folder becomes the working directory; the previous one comes back on destruction.
    void Enter();

private:
    std::wstring m_path;
    std::wstring m_previous;
};

// A new empty folder <temp>\vexa-<tag>-<pid>-<n> (no trailing backslash).
std::wstring MakeScratchFolder(const std::string& tag);
// Removes the folder with its files and subfolders.
void RemoveFolderTree(const std::wstring& path);
