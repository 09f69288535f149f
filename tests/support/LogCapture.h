#pragma once
// LogCapture: opens the error log in a private folder of this process, so that a test can read
// back exactly the messages the code under test wrote.
//
//   LogCapture log;                 // Logger::Initialize on <temp>\vexa-log-<pid>-<n>\myLog.log
//   ... code under test ...
//   EXPECT_EQ(log.Entries(), (std::vector<std::wstring>{L"[.\\Mesh | Mesh::AddTexture | LINE: *] >> ..."}));
//
// Messages() closes the log (it is held without sharing) and returns each entry's text after its
// time stamp; a message holding line feeds comes back as one entry with "\r\n" inside.
// Entries() is the same with the line of every "[F | Q | LINE: L] >> ..." entry checked against the
// source (line L of the file F names holds a report site, VLIB_HERE) and then written as "*", so
// that expectations say everything but a number that moves whenever code above the report does.
// A capture that did not open, and a log file that is missing or lacks the header, fail the
// running test: a check that nothing was logged must not pass because nothing was recorded.
#include <gtest/gtest.h>

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
    // Messages() with each entry's line checked (a failure of the running test if it names no
    // report site) and replaced by "*".
    std::vector<std::wstring> Entries();
    // The log file's bytes as they are on disk (closes the log).
    std::vector<unsigned char> Bytes();

    const std::wstring& Folder() const { return m_folder; }
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_folder;
    std::wstring m_path;
};

// "[F | Q | LINE: 51] >> T" -> "[F | Q | LINE: *] >> T"; a message of another form is returned as it is.
std::wstring WithoutLine(const std::wstring& message);

// Success when message is "[F | Q | LINE: L] >> ..." and line L of F's source file holds
// VLIB_HERE, naming Q when it names the function by a literal. F maps to a file of the
// repository: ".\VLib\vLogger" -> VLib/vLogger.cpp; a top-level module (".\Mesh") lives in
// Vexa2/Resources or Vexa2/Demo.
::testing::AssertionResult NamesReportSite(const std::wstring& message);

// Success when entry is "[file | function | LINE: L] >> text" with L naming a report site, or
// "[file | function | LINE: *] >> text" as Entries() gives it.
::testing::AssertionResult IsLogEntry(const std::wstring& entry, const std::wstring& file, const std::wstring& function,
                                      const std::wstring& text);
