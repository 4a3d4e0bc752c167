// Resource and control identifiers of Brelvix. Every dialog and menu exists
// as a Japanese / English pair; the controls of a pair share their ids.
// Included by the resource script and by the C++ sources, so plain #defines.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// ---- Application-wide resources (one for both languages) ----
#define IDI_APPLICATION_ICON 10011
#define IDI_MDI_CHILD_ICON 10012  // named by the frame; no such icon is shipped
#define IDR_ACCELERATORS 10016    // the main window's keys

// ---- Menus ----
#define IDR_MENU_JAPANESE 10013
#define IDR_MENU_ENGLISH 10014
// The right-click menu of the file list's rows: one popup.
#define IDR_ROW_MENU_JAPANESE 10017
#define IDR_ROW_MENU_ENGLISH 10018

// Commands of the menus and of the frame's command table.
#define ID_FILE_OPEN 5002
#define ID_FILE_SAVE 5004
#define ID_FILE_SAVE_AS 5005
#define ID_VIEW_TOOLBAR 5012
#define ID_VIEW_STATUSBAR 5013
#define ID_HELP_ABOUT 5014
#define ID_HELP_TOPICS 5015
#define ID_HELP_CHOOSE_LANGUAGE 5017
#define ID_FILE_EXIT 5019
#define ID_WINDOW_TILE_VERTICAL 5020
#define ID_WINDOW_TILE_HORIZONTAL 5021
#define ID_WINDOW_CASCADE 5022
#define ID_WINDOW_CLOSE_ALL 5023
#define ID_MDI_FIRST_CHILD 5024

// Commands of the file list besides its buttons' (which the row menu reuses:
// IDC_MODIFY, IDC_DELETE).
#define ID_LIST_OPEN_FOLDER 5101  // Open Containing Folder
#define ID_LIST_COPY_PATH 5102    // Copy Path
#define ID_LIST_SELECT_ALL 5103   // Ctrl+A
// The recent lists of the File menu: FIRST + 0 the latest, up to 8; the
// separator before them carries an id so that it can be found again.
#define ID_FILE_RECENT_FIRST 5110
#define ID_FILE_RECENT_COUNT 8
#define ID_FILE_RECENT_SEPARATOR 5118

// ---- Main dialog ----
#define IDD_MAIN_JAPANESE 1000
#define IDD_MAIN_ENGLISH 1100

#define IDC_FILE_LIST 4101        // list view: the file list
#define IDC_ADD 4102              // Add
#define IDC_MODIFY 4103           // Modify
#define IDC_DELETE 4104           // Delete
#define IDC_ALL_DELETE 4105       // All Delete
#define IDC_OUTPUT_FOLDER 4106    // edit: output folder
#define IDC_BROWSE_OUTPUT 4107    // browse for the output folder
#define IDC_CONVERT 4108          // drop-down list: direction
#define IDC_DATA_SIZE 4109        // drop-down list: unit size
#define IDC_ENDIAN 4110           // drop-down list: byte order
#define IDC_DATA_FORMAT 4111      // edit: value format
#define IDC_ARRAY_FORMAT 4112     // edit: array template
#define IDC_CANCEL_RUN 4198       // Cancel (stops a conversion run)
#define IDC_EXECUTE 4199          // Execute
#define IDC_FILE_PROGRESS 10113   // progress within the current file
#define IDC_TOTAL_PROGRESS 10114  // bytes of every row done in the run
#define IDC_PROGRESS_TEXT 10115   // the run's line: file, bytes, time left

// ---- Choose Language dialog ----
#define IDD_CHOOSE_LANGUAGE_JAPANESE 1001
#define IDD_CHOOSE_LANGUAGE_ENGLISH 1101

#define IDC_LANGUAGE 10102       // drop-down list: English / Japanese
#define IDC_LANGUAGE_NOTE 10103  // a change applies from the next start

// ---- About dialog ----
#define IDD_ABOUT_JAPANESE 1004
#define IDD_ABOUT_ENGLISH 1104

#define IDC_ABOUT_VERSION 10101  // "Version %s"
#define IDC_ABOUT_EDITION 10130  // "64-bit edition"

// ---- File information dialog ----
#define IDD_FILE_INFO_JAPANESE 2001
#define IDD_FILE_INFO_ENGLISH 2101

#define IDC_INPUT_FILE_NAME 4113   // read-only edit: full input path
#define IDC_OUTPUT_FILE_NAME 4114  // edit: output file name
#define IDC_ARRAY_NAME 4115        // edit: array name
