// Resource ids of Ticker.exe. The numbers are fixed: other programs and stored settings name them.
#ifndef NEWSRAIL_RESOURCE_H
#define NEWSRAIL_RESOURCE_H

// Menus: the context menus by shell version, and the portal links.
#define IDM_CONTEXT_OLD_SHELL 104
#define IDM_PORTAL_LINKS 105
#define IDM_CONTEXT_NEW_SHELL 106

// Dialogs.
#define IDD_QUOTES_PAGE 105
#define IDD_ABOUT_PAGE 108
#define IDD_TICKER_PAGE 122
#define IDD_NEWS_PAGE 131
#define IDD_NETWORK_PASSWORD 154
#define IDD_PROXY_PAGE 155
#define IDD_MAIL_PAGE 156
#define IDD_ACCOUNT_PASSWORD 180

// Controls of the credential dialogs.
#define IDC_PROXY_USER 1049
#define IDC_PROXY_PASSWORD 1051
#define IDC_ACCOUNT_PASSWORD 1052
#define IDC_REALM 1099

// Strings.
#define IDS_PAGES_MENU 2
#define IDS_SEARCH_TIP 3
#define IDS_NEXT_TOPIC_TIP 5
#define IDS_GRIP_TIP 6
#define IDS_LAST_UPDATED 8
#define IDS_ALWAYS_ON_TOP 9
#define IDS_GLUE_TO_DESKTOP 10
#define IDS_FIT_TO_CAPTION 11
#define IDS_PREFERENCES 12
#define IDS_TICKER_PAGE 15
// Strings of our own: status pairs on the strip and message boxes (texts in string_table.inc).
#define IDS_CONTACTING_CAPTION 200
#define IDS_CONTACTING_MESSAGE 201
#define IDS_NO_DATA_CAPTION 202
#define IDS_NO_DATA_MESSAGE 203
#define IDS_SETUP_CAPTION 204
#define IDS_SETUP_MESSAGE 205
#define IDS_BAD_LOGIN_CAPTION 206
#define IDS_BAD_LOGIN_MESSAGE 207
#define IDS_UPDATING_SOFTWARE 208
#define IDS_DIALING_CAPTION 209
#define IDS_DIALING_PREFIX 210
#define IDS_UNEXPECTED_LOGIN_CAPTION 220
#define IDS_NO_CONNECTION_CAPTION 221
#define IDS_NO_CONNECTION_TEXT 222
#define IDS_UPDATE_ERROR_CAPTION 223
#define IDS_UPDATE_ERROR_TEXT 224
#define IDS_PROXY_FAILED_CAPTION 225

// Bitmaps: portal logo, search glyphs (box hidden / shown), mail icon.
#define IDB_LOGO 110
#define IDB_SEARCH 170
#define IDB_SEARCH_SHOWN 171
#define IDB_MAIL 172

// Cursors: the hand for dragging the strip, the double arrow for the grip.
#define IDCUR_HAND 123
#define IDCUR_SIZING 155

// Icons: the program's icon (also the placeholder icons in the notification area).
#define IDI_TICKER 106

// Commands.
#define IDM_PREFERENCES 40001
#define IDM_EXIT 40002
#define IDM_UPDATE_NOW 40004
#define IDM_HELP 40005
#define IDM_TASKBAR_DOCK 40008
#define IDM_SEARCH_WINDOW 40011
#define IDM_PAGES 40013
#define IDM_OPEN_MAIL 40014
#define IDM_ALWAYS_ON_TOP 1108
#define IDM_GLUE_TO_DESKTOP 1109
#define IDM_FIT_TO_CAPTION 1110
#define IDM_RESTART 1125
#define IDM_PORTAL_HOME 32838
#define IDM_PORTAL_GAMES 32839
#define IDM_PORTAL_CHAT 32840
#define IDM_PORTAL_CLASSIFIEDS 32842
#define IDM_PORTAL_BOARDS 32843
#define IDM_PORTAL_EMAIL 32844
#define IDM_PORTAL_PERSONALIZE 32845
#define IDM_PORTAL_PERSONALS 32846
#define IDM_PORTAL_QUOTES 32854
#define IDM_PORTAL_CALENDAR 32875
#define IDM_PORTAL_CLUBS 32876

#endif
