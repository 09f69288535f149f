#include "ScratchFolder.h"

#include "Files.h"

#include <windows.h>

#include <cctype>

std::wstring MakeScratchFolder(const std::string& tag)
{
    static unsigned counter = 0;
    std::wstring name;
    for (char c : tag)
        name += std::isalnum(static_cast<unsigned char>(c)) ? static_cast<wchar_t>(c) : L'_';
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring base =
        std::wstring(temp) + L"vexa-" + name + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-";
    // A folder left by an earlier process of the same id is skipped, never reused.
    std::wstring path;
    do
        path = base + std::to_wstring(++counter);
    while (!CreateDirectoryW(path.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
    return path;
}

void RemoveFolderTree(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE)
    {
        do
        {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolderTree(path + L"\\" + name);
            else
                DeleteFileW((path + L"\\" + name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

ScratchFolder::ScratchFolder(const std::string& tag) : m_path(MakeScratchFolder(tag))
{
}

ScratchFolder::~ScratchFolder()
{
    if (!m_previous.empty())
        SetCurrentDirectoryW(m_previous.c_str()); // a working directory cannot be removed
    RemoveFolderTree(m_path);
}

std::wstring ScratchFolder::Write(const std::wstring& name, const std::vector<unsigned char>& bytes) const
{
    const std::wstring path = File(name);
    WriteFileBytes(path, bytes);
    return path;
}

void ScratchFolder::Enter()
{
    if (m_previous.empty())
    {
        wchar_t buffer[MAX_PATH];
        m_previous.assign(buffer, GetCurrentDirectoryW(MAX_PATH, buffer));
    }
    SetCurrentDirectoryW(m_path.c_str());
}
