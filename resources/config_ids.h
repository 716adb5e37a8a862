#ifndef VARDEX_CONFIG_IDS_H
#define VARDEX_CONFIG_IDS_H
/* Ids of the configuration window's resources and controls; plain defines, so that the
   resource compiler reads this too. */

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* Dialog templates. */
#define IDD_CFGFORM 300
#define IDD_ROOT_PAGE 301
#define IDD_APPEARANCE_PAGE 302
#define IDD_SYSTEM_PAGE 303
#define IDD_USER_PAGE 304
#define IDD_STATISTICS_PAGE 305
#define IDD_ABOUT 306
#define IDD_TIME_PERIOD 307
#define IDD_GRANT_CODES 308

/* Menus and accelerators. */
#define IDR_CFG_MENU 310
#define IDR_TREE_MENU 311
#define IDR_LIST_MENU 312
#define IDR_CFG_ACCELERATORS 313
#define IDR_SCHEDULE_MENU 314
#define IDR_STATISTICS_MENU 315

/* Controls of the window. */
#define IDC_TREE 1001
#define IDC_PAGE_AREA 1002
#define IDC_TOOLBAR 1003
#define IDC_STATUSBAR 1004
/* Controls of the pages (each page's title row: the icon and the title label). */
#define IDC_PAGE_ICON 1010
#define IDC_PAGE_TITLE 1011
#define IDC_LIST 1012
#define IDC_PREVIEW 1020
#define IDC_HATCH 1021
#define IDC_BACK_IMAGE 1022
#define IDC_BROWSE 1023
#define IDC_SHOW_BACK 1024
#define IDC_STATUS_GROUP 1190
#define IDC_STATUS_LABEL 1191
#define IDC_STATUS_PLACEMENT 1192
#define IDC_END_WARNINGS 1193
#define IDC_WARNING_MINUTES 1194
#define IDC_PREVIEW_GROUP 1025
#define IDC_IMAGE_GROUP 1026
#define IDC_PASSWORD_GROUP 1027
#define IDC_PASSWORD1 1028
#define IDC_PASSWORD2 1029
#define IDC_ABOUT_ICON 1030
#define IDC_ABOUT_VERSION 1031
/* The Settings page. */
#define IDC_VARDEX_STARTUP 1040
#define IDC_SHUTDOWN_BUTTON 1041
#define IDC_SCREEN_SAVER 1042
#define IDC_DISABLE_BOOT_KEYS 1043
#define IDC_USER_VALIDATION 1044
#define IDC_POWER_NONE 1045
#define IDC_POWER_BLANK 1046
#define IDC_POWER_SUSPEND 1047
#define IDC_POWER_OFF 1048
#define IDC_TIMEOUT 1049
#define IDC_TIMEOUT_SPIN 1050
#define IDC_HOTKEY 1051
#define IDC_GRANT_CODES 1052
/* The user page. */
#define IDC_UPSW1 1060
#define IDC_UPSW2 1061
#define IDC_SCHEDULE 1062
#define IDC_ADD_PERIOD 1063
#define IDC_REMOVE_PERIOD 1064
#define IDC_EDIT_PERIOD 1065
#define IDC_SCHEDULE_BUTTONS 1070
#define IDC_DURATION 1066
#define IDC_DURATION_SPIN 1067
#define IDC_SCHEDULE_CHECK 1068
#define IDC_DURATION_CHECK 1069
#define IDC_SCHEDULE_SUMMARY 1071
#define IDC_NOT_COUNTED_LOCKED 1100
#define IDC_IDLE_MINUTES 1101
#define IDC_IDLE_SPIN 1102
#define IDC_END_SHUTDOWN 1103
#define IDC_END_LOGOFF 1104
#define IDC_END_STAY_LOCKED 1105
#define IDC_SAME_EVERY_DAY 1106
#define IDC_WEEK_HOURS 1107
#define IDC_WEEK_GRID 1108
#define IDC_TODAY 1109
// One label and one field per displayed weekday row, in the system's first-day order.
#define IDC_DAY_LABEL1 1110
#define IDC_DAY_LABEL2 1111
#define IDC_DAY_LABEL3 1112
#define IDC_DAY_LABEL4 1113
#define IDC_DAY_LABEL5 1114
#define IDC_DAY_LABEL6 1115
#define IDC_DAY_LABEL7 1116
#define IDC_DAY_HOURS1 1120
#define IDC_DAY_HOURS2 1121
#define IDC_DAY_HOURS3 1122
#define IDC_DAY_HOURS4 1123
#define IDC_DAY_HOURS5 1124
#define IDC_DAY_HOURS6 1125
#define IDC_DAY_HOURS7 1126
/* The statistics page. */
#define IDC_STAT_TREE 1080
#define IDC_ENABLE_STATISTICS 1081
/* The time period dialog. */
#define IDC_FROM_LABEL 1090
#define IDC_FROM_TIME 1091
#define IDC_TILL_LABEL 1092
#define IDC_TILL_TIME 1093
#define IDC_TIME_HELP 1094

/* Commands: the actions, then the menu items that only select a node. */
#define ID_DO_APPLY 2001
#define ID_DO_CANCEL 2002
#define ID_DO_EXIT 2003
#define ID_DO_EXPAND 2004
#define ID_DO_COLLAPSE 2005
#define ID_DO_BACK 2006
#define ID_DO_OPEN 2007
#define ID_DO_HOME 2008
#define ID_DO_PRODUCTS 2009
#define ID_DO_CONTACT 2010
#define ID_DO_CONTENTS 2011
#define ID_DO_ABOUT 2012
#define ID_DO_CLEAR_LOG 2013
#define ID_SELECT_SETTINGS 2020
#define ID_SELECT_APPEARANCE 2021
#define ID_SELECT_STATISTICS 2022
#define ID_USERS_PLACEHOLDER 2023
#define ID_HELP_WINDOW 2024
/* The "User Options" items, one per user: this id plus the user's index. */
#define ID_SELECT_USER_FIRST 2100
/* The statistics page's usage chart, its figures and the export. */
#define IDC_USAGE_CHART 1180
#define IDC_USAGE_FIGURES 1181
#define IDC_EXPORT_STATISTICS 1182
#define ID_DO_EXPORT_STATISTICS 2040
/* The "Grant codes" dialog. */
#define IDC_CODE_PICTURE 1200
#define IDC_CODE_ADDRESS 1201
#define IDC_CODE_SECRET 1202
#define IDC_MAKE_NEW_SECRET 1203

#endif
