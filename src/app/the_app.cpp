// Start-up: DLL search path, common controls, and the choice between wizard and silent mode.
#include "app/the_app.h"

#include "app/install_log.h"
#include "app/probes.h"
#include "app/silent_switches.h"
#include "engine/existing_install.h"
#include "engine/install_run.h"
#include "res/resource.h"

#include <commctrl.h>

#include <memory>

namespace ph {

namespace {

constexpr wchar_t kSilentSettingsFolder[] = L"%APPDATA%\\Photavian";

} // namespace

BOOL TheApp::InitInstance()
{
    HardenDllSearchPath();
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls); // 8
    controls.dwICC = 0xFF;              // list view, tree view, bar, tab, up-down, progress, hot-key, animate
    ::InitCommonControlsEx(&controls);

    const wchar_t* commandLine = ::GetCommandLineW();
    if (HasSilentSwitch(commandLine)) {
        m_nExitCode = RunSilent(commandLine);
    }
    // Without "/silent" the wizard runs here; until it exists nothing is shown.
    return FALSE;
}

int TheApp::RunSilent(const wchar_t* commandLine)
{
    // The extraction enters the destination folder: fix the log to the starting directory now.
    PinInstallLogFolder();

    if (IsViewerRunning()) {
        wchar_t warning[kPathChars] = {};
        ::LoadStringW(m_hInstance, IDS_VIEWER_RUNNING, warning, static_cast<int>(kPathChars));
        AppendLogEntry(warning);
        return 1;
    }

    auto options = std::make_unique<InstallOptions>();
    options->silent = 1;
    ::LoadStringW(m_hInstance, IDS_CAPTION, options->caption, static_cast<int>(kPathChars));
    if (FindExistingInstallFolder(options->destinationFolder) == 0) {
        DefaultProgramFilesFolder(options->destinationFolder);
        CopyTextWhole(options->iniFolder, kSilentSettingsFolder);
    }
    ApplySilentSwitches(commandLine, *options);
    return RunInstallation(*options) == 1 ? 0 : 1;
}

} // namespace ph
