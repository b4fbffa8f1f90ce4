// The product version, shared by the code and the resources.
#pragma once

#define PH_VERSION_MAJOR 4
#define PH_VERSION_MINOR 70
#define PH_VERSION_TEXT "4.70"
