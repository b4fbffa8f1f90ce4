// Parsing the silent switches.
#include "app/silent_switches.h"

#include "base/folder_tree.h"
#include "base/handles.h"
#include "base/path_rules.h"
#include "base/text.h"

#include <windows.h>
#include <shellapi.h>

#include <climits>
#include <cwchar>
#include <cwctype>

namespace ph {

bool HasSilentSwitch(const wchar_t* commandLine)
{
    return std::wcsstr(commandLine, L"/silent") != nullptr;
}

bool HasHelpSwitch(const wchar_t* commandLine)
{
    int count = 0;
    UniqueLocalMemory arguments(::CommandLineToArgvW(commandLine, &count));
    if (!arguments) {
        return false;
    }
    auto* argv = static_cast<wchar_t**>(arguments.get());
    for (int i = 1; i < count; ++i) {
        if (::_wcsicmp(argv[i], L"/?") == 0 || ::_wcsicmp(argv[i], L"/help") == 0) {
            return true;
        }
    }
    return false;
}

bool FindLogSwitch(const wchar_t* commandLine, const wchar_t* base, wchar_t (&path)[kWorkPathChars])
{
    path[0] = L'\0';
    wchar_t line[kWorkPathChars] = {};
    CopyTextCut(line, commandLine);
    wchar_t value[kWorkPathChars] = {};
    if (!FindSwitchValue(line, L"/log=", value, kWorkPathChars)) {
        return false;
    }
    StripQuotesAndBlanks(value);
    TrimBlanks(value);
    return value[0] != L'\0' && MakeAbsolutePath(value, base, path, kWorkPathChars);
}

bool FindSwitchValue(const wchar_t* commandLine, const wchar_t* name, wchar_t* value, std::size_t valueChars)
{
    value[0] = L'\0';
    const wchar_t* found = std::wcsstr(commandLine, name);
    if (found == nullptr) {
        return false;
    }
    std::size_t nameLen = std::wcslen(name);
    std::size_t limit = nameLen < kSwitchWindowChars ? kSwitchWindowChars - nameLen : 0;
    const wchar_t* start = found + nameLen;
    std::size_t len = 0;
    while (len < limit && start[len] != L'\0' && start[len] != L'/') {
        ++len;
    }
    if (len + 1 > valueChars) {
        len = valueChars - 1;
    }
    std::wmemcpy(value, start, len);
    value[len] = L'\0';
    return true;
}

int ReadSwitchInteger(const wchar_t* text)
{
    const wchar_t* p = text;
    while (*p != L'\0' && std::iswspace(*p)) {
        ++p;
    }
    bool negative = false;
    if (*p == L'+' || *p == L'-') {
        negative = *p == L'-';
        ++p;
    }
    long long magnitude = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        if (magnitude <= static_cast<long long>(INT_MAX) + 1) {
            magnitude = magnitude * 10 + (*p - L'0');
        }
    }
    if (negative) {
        return magnitude > static_cast<long long>(INT_MAX) ? INT_MIN : -static_cast<int>(magnitude);
    }
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

void StripQuotesAndBlanks(wchar_t* text)
{
    std::size_t len = DropTrailingBlanks(text);
    if (len > 0 && text[len - 1] == L'"') {
        text[--len] = L'\0';
    }
    if (text[0] == L'"') {
        std::wmemmove(text, text + 1, len);
    }
    DropTrailingBlanks(text);
}

void ApplySilentSwitches(const wchar_t* commandLine, InstallOptions& options)
{
    wchar_t line[kWorkPathChars] = {};
    CopyTextCut(line, commandLine);

    // A folder value replaces the default entirely, even when it is empty. Where the cut of the
    // command line shortens the value, or hides the switch altogether, the folder read would be
    // another than the one given: the destination is then left empty, which the run refuses as
    // an invalid destination.
    wchar_t folder[kWorkPathChars] = {};
    wchar_t given[kWorkPathChars] = {};
    const bool found = FindSwitchValue(line, L"/folder=", folder, kWorkPathChars);
    if (FindSwitchValue(commandLine, L"/folder=", given, kWorkPathChars)) {
        StripQuotesAndBlanks(folder);
        StripQuotesAndBlanks(given);
        CopyTextCut(options.destinationFolder, found && std::wcscmp(folder, given) == 0 ? folder : L"");
    }

    wchar_t number[kNumericValueChars] = {};
    struct IntegerSwitch {
        const wchar_t* name;
        int* field;
    };
    const IntegerSwitch integerSwitches[] = {
        {L"/desktop=", &options.desktopShortcut},
        {L"/thumbs=", &options.thumbnailsShortcut},
        {L"/group=", &options.startMenuGroup},
        {L"/allusers=", &options.allUsers},
    };
    for (const IntegerSwitch& s : integerSwitches) {
        if (FindSwitchValue(line, s.name, number, kNumericValueChars)) {
            *s.field = ReadSwitchInteger(number);
        }
    }

    if (FindSwitchValue(line, L"/assoc=", number, kNumericValueChars)) {
        int mode = ReadSwitchInteger(number);
        // 1: the image types (the first 49 rows); 2: every row.
        std::size_t rows = mode == 1 ? kImageRowCount : mode == 2 ? kAssociationFlagCount : 0;
        for (std::size_t i = 0; i < rows; ++i) {
            options.associationFlags[i] = 1;
        }
        if (rows > 0) {
            options.associate = 1;
        }
    }

    if (FindSwitchValue(line, L"/ini=", folder, kWorkPathChars)) {
        StripQuotesAndBlanks(folder);
        CopyTextCut(options.iniFolder, folder);
        options.keepSettingsRedirection = 0;
    } else {
        options.keepSettingsRedirection = 1;
    }
}

} // namespace ph
