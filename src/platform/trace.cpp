// The verbose log: one open file, lines formatted, stamped and written as UTF-8 at once, so that
// the log is complete up to the last event even when the process ends abruptly.
#include "platform/trace.h"

#include "base/handles.h"
#include "base/verified_files.h"
#include "platform/probes.h"

#include <cstdarg>
#include <cwchar>
#include <iterator>
#include <utility>

namespace ph {

namespace {

constexpr std::size_t kLineChars = 2048;
constexpr std::size_t kLineBytes = kLineChars * 3 + 8;
constexpr std::size_t kErrorTextChars = 512;
constexpr unsigned char kUtf8Mark[] = {0xEF, 0xBB, 0xBF};

UniqueFile g_trace;
unsigned g_counts[3] = {};

void WriteBytes(const void* data, DWORD bytes)
{
    DWORD written = 0;
    ::WriteFile(g_trace.get(), data, bytes, &written, nullptr);
}

// Writes "<date> <time> <text>" and CR LF; line feeds inside the text become CR LF too.
void WriteLine(const wchar_t* text)
{
    SYSTEMTIME now{};
    Seams().localTime(&now);
    wchar_t line[kLineChars + 32] = {};
    int used = std::swprintf(line, 32, L"%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth, now.wDay,
                             now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    std::size_t at = used > 0 ? static_cast<std::size_t>(used) : 0;
    for (const wchar_t* p = text; *p != L'\0' && at + 3 < std::size(line); ++p) {
        if (*p == L'\n') {
            line[at++] = L'\r';
        }
        if (*p != L'\r') {
            line[at++] = *p;
        }
    }
    line[at++] = L'\r';
    line[at++] = L'\n';
    char bytes[kLineBytes];
    int count = ::WideCharToMultiByte(CP_UTF8, 0, line, static_cast<int>(at), bytes, static_cast<int>(sizeof(bytes)),
                                      nullptr, nullptr);
    if (count > 0) {
        WriteBytes(bytes, static_cast<DWORD>(count));
    }
}

// Formats one line and, when error is given, appends ": error N: <the system's message for N>".
void WriteEvent(const DWORD* error, const wchar_t* format, va_list arguments)
{
    wchar_t text[kLineChars];
    if (std::vswprintf(text, kLineChars, format, arguments) < 0) {
        text[kLineChars - 1] = L'\0'; // a cut line is still worth writing
    }
    if (error != nullptr) {
        wchar_t message[kErrorTextChars] = {};
        DWORD chars = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, *error, 0,
                                       message, static_cast<DWORD>(kErrorTextChars), nullptr);
        // The system's texts end in a line break.
        while (chars > 0
               && (message[chars - 1] == L'\n' || message[chars - 1] == L'\r' || message[chars - 1] == L' ')) {
            message[--chars] = L'\0';
        }
        std::size_t used = std::wcslen(text);
        std::swprintf(text + used, kLineChars - used, L": error %lu: %ls", static_cast<unsigned long>(*error),
                      chars > 0 ? message : L"(no text)");
    }
    WriteLine(text);
}

} // namespace

bool OpenTrace(const wchar_t* path)
{
    CloseTrace();
    // Opened as exactly the file the path names: a link or a second name planted there makes the
    // log unopenable, so the run goes on without it and nothing reaches what the link leads to.
    DWORD error = ERROR_SUCCESS;
    UniqueFile file = OpenAsNamed(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, error);
    if (!file) {
        return false;
    }
    g_trace = std::move(file);
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(g_trace.get(), &size) != FALSE && size.QuadPart == 0) {
        WriteBytes(kUtf8Mark, sizeof(kUtf8Mark));
    }
    for (unsigned& count : g_counts) {
        count = 0;
    }
    return true;
}

void CloseTrace()
{
    g_trace.reset();
}

bool Tracing()
{
    return static_cast<bool>(g_trace);
}

void Trace(const wchar_t* format, ...)
{
    if (!g_trace) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    WriteEvent(nullptr, format, arguments);
    va_end(arguments);
}

void TraceError(DWORD error, const wchar_t* format, ...)
{
    if (!g_trace) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    WriteEvent(&error, format, arguments);
    va_end(arguments);
}

void CountTraced(TraceCounter counter)
{
    if (g_trace) {
        ++g_counts[static_cast<int>(counter)];
    }
}

unsigned TracedCount(TraceCounter counter)
{
    return g_counts[static_cast<int>(counter)];
}

const wchar_t* HiveName(HKEY hive)
{
    if (hive == HKEY_LOCAL_MACHINE) {
        return L"HKLM";
    }
    if (hive == HKEY_CURRENT_USER) {
        return L"HKCU";
    }
    if (hive == HKEY_CLASSES_ROOT) {
        return L"HKCR";
    }
    return L"HK?";
}

} // namespace ph
