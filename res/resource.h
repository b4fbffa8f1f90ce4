// Resource ids of the setup program: strings, payload and release notes.
#pragma once

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

// The product archive: resource type "ZIP", id 1974.
#define IDR_PAYLOAD_ZIP     1974
// The release notes: resource type "TXT", id 217.
#define IDR_RELEASE_NOTES    217
