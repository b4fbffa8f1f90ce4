// Resource ids of the setup program: dialogs and their controls, strings, icon, logo, payload and
// release notes.
#pragma once

// Static texts, frames and pictures that no code addresses.
#define IDC_STATIC             (-1)

// Dialog templates: the five wizard pages, in the order the sheet shows them 101, 108, 104, 109, 110.
#define IDD_WELCOME            101
#define IDD_ASSOCIATIONS       104
#define IDD_WHATS_NEW          108
#define IDD_READY              109
#define IDD_FINISH             110

// The program's icon group and the logo of the pages: 88 x 31 pixels, and drawn again at 150 %
// (132 x 47) and 200 % (176 x 62) for screens of more DPI.
#define IDI_SETUP              111
#define IDB_LOGO               113
#define IDB_LOGO_150           114
#define IDB_LOGO_200           115

// The logo on the welcome, ready and finish pages.
#define IDC_LOGO              1113

// 1000 is the one edit of each of the welcome and what's-new pages: they share no dialog, so the
// id names a different control on each.
#define IDC_PAGE_EDIT         1000

// Controls of the welcome page (101).
#define IDC_FOLDER            IDC_PAGE_EDIT // the installation folder
#define IDC_BROWSE            1009 // "&Browse"
#define IDC_DESKTOP_SHORTCUT  1011 // "Create Photavian shortcut on the &Desktop"
#define IDC_START_MENU_GROUP  1012 // "Create Photavian shortcut in &Start Menu Programs"
#define IDC_WELCOME_TITLE     1013 // "Welcome to Photavian %s setup!"
#define IDC_CURRENT_USER      1016 // "For &current user only"
#define IDC_ALL_USERS         1017 // "For &all users"
#define IDC_UNCHECK_ALL       1019 // "&Uncheck all"
#define IDC_THUMBNAILS_SHORTCUT 1021 // "Create Photavian Thu&mbnails shortcut on the Desktop"
#define IDC_EULA_LINK         1045 // "Photavian EULA"
#define IDC_WELCOME_TEXT      1056 // "This program will install Photavian version  %s  (%s bit) ..."

// Controls of the what's-new page (108).
#define IDC_RELEASE_NOTES     IDC_PAGE_EDIT // the release notes (read-only)

// Controls of the associations page (104).
#define IDC_ASSOC_ALL_USERS   1037 // "For all users (XP)", never shown
#define IDC_SELECT_ALL        1080 // "Select all"
#define IDC_SELECT_NONE       1081 // "None"
#define IDC_IMAGES_ONLY       1091 // "Images only"
#define IDC_ASSOC_LIST        1579 // the file types (list view with check boxes)
#define IDC_REGISTRY_BOX      3311 // "Try to change associations in System-&Registry ..."

// Controls of the ready page (109).
#define IDC_DESTINATION_LINE  1010 // "Destination directory:"
#define IDC_READY_TITLE       1014 // "Ready to install!"
#define IDC_INI_IN_PRODUCT    1038 // "&Photavian folder (for advanced users: ...)"
#define IDC_INI_IN_APPDATA    1039 // "User's &Application Data folder (recommended)"
#define IDC_INSTALLING        1044 // "Installing ... please wait ..."

// Controls of the finish page (110).
#define IDC_FINISH_TITLE      1015 // "Installation successful !"
#define IDC_START_VIEWER      1020 // "&Start Photavian"
#define IDC_OPEN_FAQ          1022 // "Open Photavian &FAQs homepage"

// String table
#define IDS_EXIT_BUTTON        1  // "&Exit"
#define IDS_DONE_BUTTON        2  // "&Done"
#define IDS_EXIT_SETUP         3  // "Exit setup?"
#define IDS_INVALID_DEST       5  // "Invalid destination directory!"
#define IDS_DEST_DIRECTORY     6  // "Destination directory"
#define IDS_EXTRACT_FAILED     7  // "Can't install all files!\n\n..."
#define IDS_INSTALL_FOLDER     8  // "Installation folder:"
#define IDS_CONFIRM_ASSOC      9  // "You want to change current associations ..."
#define IDS_VIEWER_RUNNING    10  // "Warning: Photavian is running!\n..."
#define IDS_CREATE_DEST_FAILED 11 // "Can't create destination directory!\n\n..."
#define IDS_CAPTION          140  // "Photavian 64-bit Setup"
#define IDS_SHEET_CAPTION    141  // "Photavian Setup"
#define IDS_EULA_URL         142  // "https://photavian.example/eula.html"
#define IDS_FAQ_URL          143  // "https://photavian.example/faq.html"
#define IDS_SETUP_RUNNING    150  // "Another Photavian setup is running!\n..."
#define IDS_USAGE            151  // "Photavian 64-bit Setup\n\nInstalls Photavian ..." (the switches)
#define IDS_SETUP_LOCK_FAILED 152 // "Setup cannot make sure that no other Photavian setup is running (system error %lu)!\n..."
#define IDS_DEST_NOT_TRUSTED 153  // "The destination directory belongs to another user, who could change ...\n\n..."

// The product archive (resource type "ZIP", id 1974) and the release notes (type "TXT", id 217).
// A resource script names a type of its own by a bare word (RT_...); the code asks for it by the
// same word as a wide text (RT_..._NAME, made from the word).
#define IDR_PAYLOAD_ZIP     1974
#define RT_PAYLOAD_ZIP      ZIP
#define IDR_RELEASE_NOTES    217
#define RT_RELEASE_NOTES     TXT

#define PH_RESOURCE_TYPE_NAME_(word) L"" #word
#define PH_RESOURCE_TYPE_NAME(word) PH_RESOURCE_TYPE_NAME_(word)
#define RT_PAYLOAD_ZIP_NAME       PH_RESOURCE_TYPE_NAME(RT_PAYLOAD_ZIP)   // L"ZIP"
#define RT_RELEASE_NOTES_NAME     PH_RESOURCE_TYPE_NAME(RT_RELEASE_NOTES) // L"TXT"
