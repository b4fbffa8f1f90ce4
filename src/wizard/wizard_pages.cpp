// The wizard's five pages, built in sheet order.
#include "wizard/wizard_pages.h"

namespace ph {

CWizardPages::CWizardPages(CWizPropertySheet& sheet)
    : m_sheet(sheet), m_pages{CWizPropertyPage(kWizardPageTemplates[0]), CWizPropertyPage(kWizardPageTemplates[1]),
                              CWizPropertyPage(kWizardPageTemplates[2]), CWizPropertyPage(kWizardPageTemplates[3]),
                              CWizPropertyPage(kWizardPageTemplates[4])}
{
    static_assert(kWizardPageCount == 5, "one page per template");
    for (CWizPropertyPage& page : m_pages) {
        m_sheet.AddPage(&page);
        page.m_pSheet = &m_sheet;
    }
}

CWizardPages::~CWizardPages()
{
    for (std::size_t i = kWizardPageCount; i-- > 0;) {
        m_sheet.RemovePage(&m_pages[i]);
    }
}

} // namespace ph
