// The wizard's five pages as start-up builds them: one page per template, in sheet order, each
// added to the one sheet and pointed at it.
#pragma once

#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"

namespace ph {

class CWizardPages {
public:
    // Builds the five pages and adds them to sheet, which has no window yet.
    explicit CWizardPages(CWizPropertySheet& sheet);
    // Takes the pages out of the sheet again; its window is gone by then.
    ~CWizardPages();
    CWizardPages(const CWizardPages&) = delete;
    CWizardPages& operator=(const CWizardPages&) = delete;

    CWizPropertyPage& Page(int position) { return m_pages[position]; }

private:
    CWizPropertySheet& m_sheet;
    CWizPropertyPage m_pages[kWizardPageCount];
};

} // namespace ph
