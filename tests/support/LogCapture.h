#pragma once
// LogCapture: opens the error log in a private folder of this process, so that a test can read
// back exactly the messages the code under test wrote.
//
//   LogCapture log;                 // Logger::Initialize on <temp>\vexa-log-<pid>-<n>\myLog.log
//   ... code under test ...
//   EXPECT_EQ(log.Messages(), (std::vector<std::wstring>{L"[.\\Mesh | Mesh::AddTexture | LINE: 119] >> ..."}));
//
// Messages() closes the log (it is held without sharing) and returns each entry's text after its
// time stamp; a message holding line feeds comes back as one entry with "\r\n" inside.
#include <string>
#include <vector>

class LogCapture
{
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::wstring> Messages();
    // The log file's bytes as they are on disk (closes the log).
    std::vector<unsigned char> Bytes();

    const std::wstring& Folder() const { return m_folder; }
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_folder;
    std::wstring m_path;
};
