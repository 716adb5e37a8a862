#ifndef VARDEX_RESOURCE_IDS_H
#define VARDEX_RESOURCE_IDS_H
/* Resource ids shared by vardex.rc and the code that loads them; plain defines, so that the
   resource compiler reads this too. */

/* The tray icon, also the program's icon: the lowest id, so the shell picks it for the exe. */
#define IDI_VARDEX_TRAY 101
#define IDI_MENU_LOCK 102
#define IDI_MENU_LOCK_STANDBY 103
#define IDI_MENU_CONFIGURE 104

/* The configuration window's icons. Tree nodes come at 16, 20, 24, 32, 40 and 48 pixels (small
   and large icons at 96, 120 and 144 DPI); actions and schedule buttons at 16, 20 and 24. */
#define IDI_NODE_PROGRAM 201
#define IDI_NODE_OPTIONS 202
#define IDI_NODE_SETTINGS 203
#define IDI_NODE_APPEARANCE 204
#define IDI_NODE_USERS 205
#define IDI_NODE_CURRENT_USER 206
#define IDI_NODE_OTHER_USER 207
#define IDI_NODE_STATISTICS 208
#define IDI_NODE_LOG_LINE 209
#define IDI_NODE_GRANT_LINE 210

#define IDI_ACTION_APPLY 221
#define IDI_ACTION_CANCEL 222
#define IDI_ACTION_EXPAND 223
#define IDI_ACTION_COLLAPSE 224
#define IDI_ACTION_BACK 225
#define IDI_ACTION_OPEN 226
#define IDI_ACTION_HOME 227
#define IDI_ACTION_PRODUCTS 228
#define IDI_ACTION_CONTACT 229
#define IDI_ACTION_CONTENTS 230
#define IDI_ACTION_EXIT 231
#define IDI_ACTION_ABOUT 232

#define IDI_SCHEDULE_ADD 241
#define IDI_SCHEDULE_REMOVE 242
#define IDI_SCHEDULE_EDIT 243

#endif

// The lock's "More time…" form.
#define IDD_TIME_GRANT 400
#define IDC_GRANT_LABEL 1400
#define IDC_GRANT_PROOF 1401
#define IDC_GRANT_GROUP 1402
#define IDC_GRANT_15 1403
#define IDC_GRANT_60 1404
#define IDC_GRANT_UNTIL 1405
#define IDC_GRANT_TIME 1406
#define IDC_GRANT_REST 1407
