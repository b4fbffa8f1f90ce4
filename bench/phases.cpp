// The steps of one silent installation under a timer each: the calls the setup program's silent
// mode makes, in its order, from this program carrying the same payload. The display probe is
// timed apart from the settings step that asks it, through the probes' replaceable functions.
#include "bench.h"

#include "app/silent_switches.h"
#include "base/folder_tree.h"
#include "base/handles.h"
#include "base/path_rules.h"
#include "engine/existing_install.h"
#include "engine/install_run.h"
#include "engine/payload.h"
#include "engine/viewer_settings.h"
#include "platform/probes.h"
#include "platform/setup_lock.h"
#include "platform/start_directory.h"
#include "shell/associations.h"
#include "shell/registration.h"
#include "shell/shortcuts.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ph::bench {

namespace {

class PhaseTimes {
public:
    // Ends the phase that began at the last call (or at construction) and names it.
    void End(const char* name)
    {
        double now = Now();
        Add(name, now - m_start);
        m_start = now;
    }
    void Add(const char* name, double seconds) { m_phases.emplace_back(name, seconds); }
    // Moves seconds that an inner step spent from the phase just ended to a phase of its own.
    void Split(const char* inner, double seconds)
    {
        m_phases.back().second -= seconds;
        Add(inner, seconds);
    }
    bool Write(const std::wstring& path) const
    {
        UniqueStdioFile out(::_wfopen(path.c_str(), L"wb"));
        if (!out) {
            return false;
        }
        for (const auto& [name, seconds] : m_phases) {
            std::fprintf(out.get(), "%s %.6f\n", name.c_str(), seconds);
        }
        return CloseStdioFileChecked(out);
    }

private:
    double m_start = Now();
    std::vector<std::pair<std::string, double>> m_phases;
};

// The display probe's two questions, timed wherever the settings step asks them.
double g_probeSeconds = 0;
int (*g_systemDpiX)() = nullptr;
int (*g_systemScreenHeight)() = nullptr;

int TimedDisplayDpiX()
{
    double start = Now();
    int dpi = g_systemDpiX();
    g_probeSeconds += Now() - start;
    return dpi;
}

int TimedFullScreenHeight()
{
    double start = Now();
    int height = g_systemScreenHeight();
    g_probeSeconds += Now() - start;
    return height;
}

// How long the process ran before main: from its creation to now.
double SecondsSinceProcessCreation()
{
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    FILETIME now{};
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    ::GetSystemTimePreciseAsFileTime(&now);
    auto ticks = [](const FILETIME& t) {
        return (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(created)) / 1e7;
}

// Unit costs of the platform calls the registry and shortcut steps repeat, each as the mean of
// kRepeats calls into scratch keys (removed afterwards), to weigh what doing them differently
// would gain:
//   unit-value-from-root   a default value through its full key path from the hive (as today)
//   unit-value-from-open   the same path created under an open "SOFTWARE\Classes" key
//   unit-open-per-value    a named value into a key opened and closed for it (as today)
//   unit-value-open-key    a named value into a key kept open
//   unit-link-processor    starting and waiting for the program Wine's shell starts after saving
//                          each shortcut (winemenubuilder.exe -w, disabled in our prefixes)
void MeasureUnitCosts(PhaseTimes& times)
{
    constexpr int kRepeats = 87;
    constexpr wchar_t kScratch[] = L"SOFTWARE\\Classes\\PhotavianBenchUnitCosts";
    const wchar_t* text = L"\"C:\\Program Files\\Photavian\\ph_tav64.exe\" \"%1\"";
    wchar_t key[kPathChars];
    double start = Now();
    for (int i = 0; i < kRepeats; ++i) {
        std::swprintf(key, kPathChars, L"%ls\\t%d\\shell\\open\\command", kScratch, i);
        ::RegSetValueW(HKEY_LOCAL_MACHINE, key, REG_SZ, text, static_cast<DWORD>((std::wcslen(text) + 1) * 2));
    }
    times.Add("unit-value-from-root", (Now() - start) / kRepeats);
    start = Now();
    {
        UniqueRegKey classes;
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes", 0, KEY_ALL_ACCESS, classes.put());
        for (int i = 0; i < kRepeats; ++i) {
            std::swprintf(key, kPathChars, L"PhotavianBenchUnitCosts\\u%d\\shell\\open\\command", i);
            UniqueRegKey created;
            if (::RegCreateKeyExW(classes.get(), key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, created.put(), nullptr)
                == ERROR_SUCCESS) {
                ::RegSetValueExW(created.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 static_cast<DWORD>((std::wcslen(text) + 1) * 2));
            }
        }
    }
    times.Add("unit-value-from-open", (Now() - start) / kRepeats);
    start = Now();
    for (int i = 0; i < kRepeats; ++i) {
        UniqueRegKey opened;
        std::swprintf(key, kPathChars, L".e%d", i);
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kScratch, 0, KEY_SET_VALUE, opened.put()) == ERROR_SUCCESS) {
            ::RegSetValueExW(opened.get(), key, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>((std::wcslen(text) + 1) * 2));
        }
    }
    times.Add("unit-open-per-value", (Now() - start) / kRepeats);
    start = Now();
    {
        UniqueRegKey opened;
        ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kScratch, 0, KEY_SET_VALUE, opened.put());
        for (int i = 0; i < kRepeats; ++i) {
            std::swprintf(key, kPathChars, L".f%d", i);
            ::RegSetValueExW(opened.get(), key, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             static_cast<DWORD>((std::wcslen(text) + 1) * 2));
        }
    }
    times.Add("unit-value-open-key", (Now() - start) / kRepeats);
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, kScratch);

    constexpr int kStarts = 5;
    start = Now();
    for (int i = 0; i < kStarts; ++i) {
        wchar_t line[] = L"winemenubuilder.exe -w -a \"C:\\nothing.lnk\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (::CreateProcessW(nullptr, line, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup, &info)
            != FALSE) {
            UniqueKernelHandle process(info.hProcess);
            UniqueKernelHandle thread(info.hThread);
            ::WaitForSingleObject(process.get(), 10000);
        }
    }
    times.Add("unit-link-processor", (Now() - start) / kStarts);
}

} // namespace

int RunPhases(const std::wstring& outPath)
{
    PhaseTimes times;
    const wchar_t* commandLine = ::GetCommandLineW();
    bool oneApartment = std::wcsstr(commandLine, L"--one-apartment") != nullptr;
    times.Add("process-start", SecondsSinceProcessCreation());

    // Start-up: the DLL search path, the start directory and the common controls, for either
    // mode; then the one-setup-at-a-time lock, held to the end.
    HardenDllSearchPath();
    PinStartDirectory();
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);
    times.End("start-up");
    SetupLock lock;
    times.End("setup-lock");
    if (!lock.Owned()) {
        return 1;
    }

    // Silent start: the running-viewer check, the defaults and the switches.
    bool viewerRunning = IsViewerRunning();
    times.End("viewer-check");
    if (viewerRunning) {
        return 1;
    }
    auto options = std::make_unique<InstallOptions>();
    options->silent = 1;
    const DefaultInstall defaults = DefaultInstallChoice();
    CopyTextCut(options->destinationFolder, defaults.folder);
    CopyTextCut(options->iniFolder, defaults.iniFolder);
    ApplySilentSwitches(commandLine, *options);
    times.End("options");

    // The run: the destination made absolute against the start directory and created, the
    // plugins folder, the icon library decision. Every later step uses this destination.
    wchar_t given[kWorkPathChars] = {};
    CopyTextCut(given, options->destinationFolder);
    TrimBlanks(given);
    wchar_t destination[kWorkPathChars] = {};
    if (!MakeAbsolutePath(given, StartDirectory(), destination, kWorkPathChars)
        || !EnsureFolderTree(destination, kWorkPathChars)) {
        return 1;
    }
    wchar_t iconLibrary[kWorkPathChars] = {};
    std::swprintf(iconLibrary, kWorkPathChars, L"%lsPlugins", destination);
    EnsureFolderTree(iconLibrary, kWorkPathChars);
    if (!AppendTextWhole(iconLibrary, L"Icons.dll")) {
        return 1;
    }
    bool skipIcons = ShouldKeepInstalledIconLibrary(iconLibrary);
    times.End("folders");

    // The payload, read where the program's image holds it.
    if (ExtractPayload(destination, skipIcons) != 0) {
        return 1;
    }
    times.End("extraction");

    g_systemDpiX = Seams().displayDpiX;
    g_systemScreenHeight = Seams().fullScreenHeight;
    Seams().displayDpiX = TimedDisplayDpiX;
    Seams().fullScreenHeight = TimedFullScreenHeight;
    wchar_t settingsPath[kPathChars] = {};
    WriteViewerSettings(destination, options->iniFolder, options->silent, settingsPath);
    times.End("settings");
    times.Split("display-probe", g_probeSeconds);

    // The registration, in its order: shortcuts, the registry plan and the catalogue, the
    // notification.
    wchar_t folder[kWorkPathChars] = {};
    CopyTextCut(folder, destination);
    EnsureFolderTree(folder, kWorkPathChars);
    RegistrationTexts texts;
    if (!BuildRegistrationTexts(folder, texts)) {
        return 1;
    }
    // With --one-apartment every shortcut's own apartment nests in one held for all of them, so
    // COM is set up and torn down once instead of once per shortcut.
    std::optional<ComApartment> apartment;
    if (oneApartment) {
        apartment.emplace();
    }
    if (options->startMenuGroup != 0) {
        CreateStartMenuGroup(texts.installFolder, options->allUsers);
    }
    if (options->desktopShortcut != 0) {
        CreateDesktopShortcut(texts.viewerPath, L"Photavian 64.lnk", nullptr, L"Photavian 64 - Image Viewer", nullptr,
                              0, options->allUsers);
    }
    if (options->thumbnailsShortcut != 0) {
        CreateDesktopShortcut(texts.viewerPath, L"Photavian 64 Thumbnails.lnk", texts.viewerPath,
                              L"Photavian - Thumbnails", kThumbnailsArguments, kThumbnailsIconIndex,
                              options->allUsers);
    }
    apartment.reset();
    times.End("shortcuts");

    // The registration without its shortcuts: with the thumbnails shortcut off it also leaves out
    // the folder verb, whose key steps (those of the full plan whose keys the shorter one lacks)
    // are applied first; the notification is timed on its own below.
    RegistryPlan full;
    RegistryPlan shorter;
    BuildRegistryPlan(texts, options->thumbnailsShortcut, full);
    BuildRegistryPlan(texts, 0, shorter);
    auto inShorter = [&shorter](const RegistryWrite& w) {
        return std::any_of(shorter.writes, shorter.writes + shorter.count, [&w](const RegistryWrite& s) {
            return s.key != nullptr && std::wcscmp(s.key, w.key) == 0;
        });
    };
    RegistryPlan verb;
    for (std::size_t i = 0; i < full.count; ++i) {
        if (full.writes[i].key != nullptr && !inShorter(full.writes[i])) {
            verb.writes[verb.count++] = full.writes[i];
        }
    }
    ApplyRegistryPlan(verb);
    RegisterApplication(0, destination, 0, 0, 0, options->allUsers, options->associationFlags);
    if (options->associate != 0 && WindowsVersionClass() == 10) {
        SuppressAppxOpenWith();
    }
    times.End("registry");

    if (options->associate != 0) {
        ::SystemParametersInfoW(SPI_SETICONS, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
        ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSHNOWAIT, nullptr, nullptr);
    }
    times.End("notification");

    UniqueStdioFile settings(::_wfopen(settingsPath, L"rb"));
    if (settings) {
        ConvertSettingsToUtf16(settingsPath, std::move(settings));
    }
    times.End("settings-utf16");
    if (std::wcsstr(commandLine, L"--unit-costs") != nullptr) {
        MeasureUnitCosts(times);
    }
    return times.Write(outPath) ? 0 : 1;
}

} // namespace ph::bench
