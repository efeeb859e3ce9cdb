#pragma once
// The program's version, as the version resource gives it (the About box shows the first three).
#define VEMRA_VERSION_MAJOR 1
#define VEMRA_VERSION_MINOR 2
#define VEMRA_VERSION_BUILD 0
#define VEMRA_VERSION_REVISION 0
#define VEMRA_VERSION_TEXT "1.2.0.0"
