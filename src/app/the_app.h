// The setup application: chooses the wizard or a silent installation at start-up.
#pragma once

#include "framework/win_app.h"
#include "wizard/wiz_property_sheet.h"

namespace ph {

class TheApp : public CWinApp {
public:
    // Prepares the process and runs one mode; always returns FALSE. The exit code of a silent
    // run is 0 when it installed and 1 when it failed or was refused.
    BOOL InitInstance() override;

private:
    int RunSilent(const wchar_t* commandLine);
    // Shows the five-page wizard modally; returns when it closes.
    void RunWizard();

    // The wizard's one sheet, for the life of the program.
    CWizPropertySheet m_sheet;
};

} // namespace ph
