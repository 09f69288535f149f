#pragma once
// The error log "myLog.log" and the composition of every failure message.
//
// Entries are "<y>-<m>-<d>  <h>:<min>    <message>", UTF-16LE, CR LF, flushed one by one.
// Failure sites use one of three message forms:
//   1  [F | Q | LINE: L] >> Function "K" returned an error. Error Code: 0x..   (LogFailedCall)
//   2  [F | Q | LINE: L] >> T                                                  (LogError)
//   3  Q >> Only done/requested T                                              (ShortTransferMessage)
// where F is the reporting module's recorded source path, Q the qualified function name,
// L the report site's line.
//
// A report site names itself with VLIB_HERE, on the line where the report starts:
//   VLib::LogError(VLIB_HERE(L"Mesh::AddTexture"), L"...");
//   VLib::LogFailedCall(VLIB_HERE(function), L"CreateDevice()", hr);
#include "VLib/FStream/vTextStream.h"

#include <cstdint>
#include <string>

namespace VLib
{
class Logger
{
public:
    // Opens the log (created or truncated, not shared) and writes its header.
    // Returns 0, or 1 when the file cannot be opened; the log then stays closed.
    static int Initialize(const std::wstring& fileName);
    static void WriteLog(const std::wstring& message, bool flush);
    // Flushes and closes the log, as the exit does. The program never calls it; tests use it
    // to read the file back, which the log holds without sharing while open.
    static void Close();

private:
    friend class LoggerLifetime;
    Logger();
    static Logger& Instance();

    TextStream m_stream; // reporting off: the log never writes about itself
};

// Keeps the one log object alive around every global of the program. Each file that includes
// this header holds one LoggerLifetime ahead of its own globals: the first constructed builds
// the log, the last destroyed takes it down. So a global defined after the include (the Engine)
// is constructed after the log and destroyed before it, and its destructor may still log.
class LoggerLifetime
{
public:
    LoggerLifetime();
    ~LoggerLifetime();
    LoggerLifetime(const LoggerLifetime&) = delete;
    LoggerLifetime& operator=(const LoggerLifetime&) = delete;
};
static const LoggerLifetime LoggerLifetimeOfThisFile;

inline void WriteLog(const std::wstring& message, bool flush)
{
    Logger::WriteLog(message, flush);
}

std::wstring IntToWString(std::int64_t value);
std::wstring UIntToWString(std::uint64_t value);
std::wstring ErrorCodeToWString(std::int32_t code);
std::wstring AnsiToWString(const char* text);

std::wstring FailedCallMessage(const wchar_t* file, const wchar_t* function, int line, const wchar_t* call,
                               std::int32_t code);
std::wstring ErrorMessage(const wchar_t* file, const wchar_t* function, int line, const std::wstring& text);
std::wstring ShortTransferMessage(const wchar_t* function, std::uint64_t done, std::uint64_t requested,
                                  const wchar_t* text);

// Where a form 1 or 2 entry is reported: F, Q and L of its head.
struct ReportSite
{
    const wchar_t* m_file;
    const wchar_t* m_function;
    int m_line;
};

// Compose form 1 or 2 and write it with flush.
void LogFailedCall(const ReportSite& site, const wchar_t* call, std::int32_t code);
void LogError(const ReportSite& site, const std::wstring& text);
} // namespace VLib

// The report site on this line: the module's file field (each reporting module defines
// `SourceFile`, its path as the build records it), the qualified function, __LINE__.
// The function is named by hand: __func__ is unqualified everywhere and __FUNCTION__ is
// qualified only with MSVC, so neither gives the same field on every compiler.
#define VLIB_HERE(function) (::VLib::ReportSite{SourceFile, (function), __LINE__})
