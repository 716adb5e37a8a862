#ifndef VARDEX_CONFIG_IDS_H
#define VARDEX_CONFIG_IDS_H
/* Ids of the configuration window's resources and controls; plain defines, so that the
   resource compiler reads this too. */

#endif
