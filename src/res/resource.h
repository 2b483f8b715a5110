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
// The About page's 256-colour pictures; the banner's colour table serves both.
#define IDB_ABOUT_BANNER 162
#define IDB_ABOUT_EMBLEM 169

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
#define IDM_PAUSE 40020
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

// The preference pages: controls (the ids are also the setting ids they edit).
#define IDC_SYMBOL_EDIT 1001
#define IDC_SYMBOL_LIST 1002
#define IDC_FIND_SYMBOL 1005
#define IDC_ADD_SYMBOL 1006
#define IDC_REMOVE_SYMBOL 1007
#define IDC_SPEED 1009
#define IDC_MY_VEXLO 1010
#define IDC_FAHRENHEIT 1011
#define IDC_REFRESH_SPIN 1012
#define IDC_REFRESH_MINUTES 1013
#define IDC_CELSIUS 1014
#define IDC_WORLD 1024
#define IDC_SPORTS 1025
#define IDC_ENTERTAINMENT 1026
#define IDC_BUSINESS 1027
#define IDC_TOP_STORIES 1028
#define IDC_POLITICS 1029
#define IDC_QUOTES 1032
#define IDC_TECHNOLOGY 1033
#define IDC_WEATHER 1034
#define IDC_COLOR_US 1035
#define IDC_COLOR_WORLD 1036
#define IDC_COLOR_BUSINESS 1037
#define IDC_COLOR_POLITICS 1038
#define IDC_COLOR_SPORTS 1039
#define IDC_COLOR_ENTERTAINMENT 1040
#define IDC_COLOR_TECHNOLOGY 1041
#define IDC_COLOR_QUOTE_UP 1042
#define IDC_COLOR_QUOTE_DOWN 1043
#define IDC_COLOR_SYMBOL 1044
#define IDC_COLOR_BACKGROUND 1045
#define IDC_BOLD_FONT 1046
#define IDC_USER_ID 1048
#define IDC_PASSWORD 1052
#define IDC_AIRPORTS 1053
#define IDC_SCREEN_SAVER 1054
#define IDC_STORIES 1058
#define IDC_STORIES_SPIN 1059
#define IDC_COLOR_QUOTE_NC 1060
#define IDC_AUTO_UPDATE 1069
#define IDC_SIGN_UP 1091
#define IDC_SMOOTH 1093
#define IDC_SCHEME 1094
#define IDC_PROXY_PORT 1095
#define IDC_PROXY_HOST 1096
#define IDC_PROXY_RELOAD 1097
#define IDC_HANGUP 1098
#define IDC_NO_AUTODIAL 1100
#define IDC_PAUSE_ON_HOVER 1130
#define IDC_PAUSE_HOTKEY 1131
#define IDC_FOCUS_HOTKEY 1132
#define IDC_STEP_HEADLINES 1133
// The Mail Alerts tab (the cycle's arrows share 1012 with the refresh arrows of another page).
#define IDC_MAIL_CYCLE 1049
#define IDC_MAIL_CYCLE_SPIN 1012
#define IDC_OTHER_SOUND_NAME 1051
#define IDC_MAIL_ICON 1113
#define IDC_MAIL_SOUND 1114
#define IDC_MAIL_SOUND_LIST 1115
#define IDC_VEXLO_SOUNDS 1122
#define IDC_OTHER_SOUND 1123
#define IDC_PLAY_SOUND 1150
// The About tab.
#define IDC_ABOUT_BANNER 1111
#define IDC_ABOUT_EMBLEM 1112
#define IDC_VERSION_LINE 1124

// The preference pages: titles, messages and the colour scheme names (IDS_SCHEME_FIRST + n).
#define IDS_NEWS_PAGE 5100
#define IDS_QUOTES_PAGE 5101
#define IDS_MAIL_PAGE 5102
#define IDS_PROXY_PAGE 5103
#define IDS_ABOUT_PAGE 5104
#define IDS_SIGN_UP_TITLE 5105
#define IDS_SIGN_UP_TEXT 5106
#define IDS_NO_TOPIC_TITLE 5107
#define IDS_NO_TOPIC_TEXT 5108
#define IDS_ACCOUNT_CHOOSES_TITLE 5109
#define IDS_ACCOUNT_CHOOSES_TEXT 5110
#define IDS_SUGGESTION_TITLE 5111
#define IDS_SUGGESTION_TEXT 5112
#define IDS_SYMBOL_REFUSED_TITLE 5113
#define IDS_SYMBOLS_FULL_TEXT 5114
#define IDS_SYMBOL_INVALID_TEXT 5115
#define IDS_SCHEME_FIRST 5120
// The Mail Alerts and About tabs.
#define IDS_MAIL_SOUND_FIRST 5160
#define IDS_PICK_SOUND_TITLE 5162
#define IDS_WAVE_FILTER_NAME 5163
#define IDS_WAVE_FILTER_PATTERN 5164
#define IDS_VERSION_BUILD 5165
// The Proxy tab.
#define IDS_PROXY_PORT_TITLE 5130
#define IDS_PROXY_PORT_TEXT 5131

// The software update.
#define IDS_UPDATE_AVAILABLE_TITLE 5190
#define IDS_UPDATE_REFUSED 5191
#define IDS_UPDATE_NEEDS_ADMINISTRATOR 5192

// The feed cache.
#define IDS_CACHE_NOT_SAVED 5200

// The screen-saver bar.
#define IDS_DELAYED_NOTICE 5230

// Opening links.
#define IDS_LINK_NOT_OPENED 5240

// Reading the strip: the pause mark's tip, a hotkey another program holds, the list's name.
#define IDS_PAUSED_TIP 5250
#define IDS_PAUSED_TIP_KEY 5251
#define IDS_HOTKEY_TAKEN 5252
#define IDS_HOTKEY_TAKEN_TITLE 5253
#define IDS_HEADLINES_NAME 5254
#define IDS_OPEN_ACTION 5255
#define IDS_PRESS_ACTION 5256

#endif
