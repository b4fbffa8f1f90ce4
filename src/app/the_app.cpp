// Start-up: DLL search path, common controls, and the choice between wizard and silent mode.
#include "app/the_app.h"

#include "app/silent_switches.h"
#include "engine/existing_install.h"
#include "engine/install_run.h"
#include "engine/viewer_settings.h"
#include "platform/install_log.h"
#include "platform/probes.h"
#include "platform/start_directory.h"
#include "res/resource.h"
#include "wizard/wizard_pages.h"

#include <commctrl.h>

#include <memory>

namespace ph {

BOOL TheApp::InitInstance()
{
    HardenDllSearchPath();
    // Before anything can change the current directory: the log and relative destinations are
    // tied to the directory the installer was started from.
    PinStartDirectory();
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls); // 8
    controls.dwICC = ICC_WIN95_CLASSES; // 0xFF: list view, tree view, bar, tab, up-down, progress, hot-key, animate
    ::InitCommonControlsEx(&controls);

    const wchar_t* commandLine = ::GetCommandLineW();
    if (HasSilentSwitch(commandLine)) {
        m_nExitCode = RunSilent(commandLine);
    } else {
        RunWizard();
    }
    return FALSE;
}

void TheApp::RunWizard()
{
    // The title font follows the screen's DPI (96 without a screen context).
    m_sheet.CreateTitleFont(ScreenDpiX(nullptr));
    m_sheet.m_hAssocList = nullptr;
    CWizardPages pages(m_sheet);
    m_sheet.DoModal();
    // The wizard's exit code stays 0 whatever happened in it.
}

int TheApp::RunSilent(const wchar_t* commandLine)
{
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
        CopyTextWhole(options->iniFolder, kAppDataSettingsFolder);
    }
    ApplySilentSwitches(commandLine, *options);
    return RunInstallation(*options) == 1 ? 0 : 1;
}

} // namespace ph
