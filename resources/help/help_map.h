#pragma once
// Topic numbers of the help file ombrel.chm, written once: the help project's [MAP] section
// includes this file, and help_ids.h hands the same numbers to the programs.
// The help compiler reads only lines of the form "#define NAME NUMBER" (one blank on each side);
// every NAME must also be given a page in the [ALIAS] section of ombrel.hhp.
#define IDH_OTHER_PRODUCTS 5
#define IDH_CONFIGURATION 10
#define IDH_TIME_PERIOD 11
#define IDH_HOME_PAGE 20
#define IDH_CONTACT 21
