// The product's version and names: the only place they are written. The code formats its version
// texts from the two numbers ("%d.%d"), the resources take everything from here, and the build reads
// this file (cmake/version.cmake) for the manifest's assembly identity and the signature.
#pragma once

#define PH_VERSION_MAJOR 4
#define PH_VERSION_MINOR 70
// What "%d.%d" makes of the two numbers; the build refuses a text that does not match them.
#define PH_VERSION_TEXT "4.70"

#define PH_COMPANY_NAME "Photavian Project"
#define PH_PRODUCT_NAME "Photavian"
// The publisher the system's list of installed programs shows, and the company whose icon library
// earlier installations placed (that one may be replaced).
#define PH_PUBLISHER "Quenmarrow"
#define PH_SETUP_DESCRIPTION "Photavian 64-bit Setup"
#define PH_SETUP_FILE_NAME "photavian-setup.exe"
#define PH_SETUP_ASSEMBLY_NAME "Photavian.Setup"
