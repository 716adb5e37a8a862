#ifndef VARDEX_RESOURCE_IDS_H
#define VARDEX_RESOURCE_IDS_H
/* Resource ids shared by vardex.rc and the code that loads them; plain defines, so that the
   resource compiler reads this too. */

/* The tray icon, also the program's icon: the lowest id, so the shell picks it for the exe. */
#define IDI_VARDEX_TRAY 101
#define IDI_MENU_LOCK 102
#define IDI_MENU_LOCK_STANDBY 103
#define IDI_MENU_CONFIGURE 104

#endif
