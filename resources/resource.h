#pragma once

// Registry scripts (resource type "REGISTRY").
#define IDR_APPID 3000
#define IDR_DOCUMENTUMREGISTRYHELPER 3001
#define IDR_IMPORTPICKER 3004

// Import dialog: picture strips (resource type BITMAP), template and its controls.
#define IDB_IMPORT_SMALL_PICTURES 3001
#define IDB_IMPORT_LARGE_PICTURES 3002
#define IDD_IMPORT_PICKER 3005
#define IDC_IMPORT_ADD_FILES 3000
#define IDC_IMPORT_ADD_FOLDER 3001
#define IDC_IMPORT_REMOVE 3002
#define IDC_IMPORT_FILE_LIST 3004
#define IDC_IMPORT_PATH 3005
