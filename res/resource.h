#pragma once
// Identifiers of the program's resources: strings, menus, dialogs, controls and commands. The
// framework's own (File, Edit and Help commands, status-bar panes) come from AfxRes.h.
#include "AfxRes.h"

#define IDR_MAINFRAME 128          // document-type string, menu, toolbar, accelerators, icon
#define IDR_VEQ32CTYPE 129         // the second icon
#define IDD_ABOUTBOX 100           // About box
#define IDD_DIALOG1 130            // interface settings
#define IDD_DIALOG2 138            // a text entry dialog nothing opens
#define IDC_COMBO1 1001            // port choice in the interface settings
#define IDC_EDIT1 1002             // text field of dialog 138
#define IDC_DEVICE_FILE 1003       // device file of the chosen port in the interface settings
#define IDC_FIND_ADAPTER 1004      // "Find my adapter..." in the interface settings
#define IDC_DEVICE_NOTE 1005       // the note below them (an environment variable overrides)

// The program's own commands.
#define ID_PUT_DATA 32772               // PUT DATA FROM PC TO VEQ
#define ID_ALL_DATA 32774               // ALL DATA FROM VEQ TO PC
#define ID_BUTTON_2 32775               // "-2-": no button, menu item or key carries it
#define ID_DELIVERY_MODE 32776          // SET VEQ-32-C DELIVERY MODE
#define ID_ADJUSTMENT_INTERFACE 32777   // menu "Adjustment", item "&Interface"
#define ID_BUTTON_1 32779               // "-1-": not carried
#define ID_HISTORICAL_TEMPERAMENTS 32780
#define ID_ADJUSTMENT_DATA 32781
#define ID_ACTUAL_INSTRUMENT 32784
#define ID_UPDATE_VEQ32 32785           // not carried
#define ID_SET_KEY_NUMBER 32787         // not carried

// Looking at data: the capture history window and the working-storage window (File menu).
#define ID_FILE_CAPTURE_HISTORY 32790
#define ID_FILE_VIEW_DATA 32791

// The truth of the line: the device's data read back and compared with working storage (next to
// the transfers), the transfer log and the support report (menu "?").
#define ID_COMPARE_DEVICE 32792
#define ID_HELP_TRANSFER_LOG 32793
#define ID_HELP_SUPPORT_REPORT 32794

// Menu "Adjustment": the setting that backs the device's data up before an erase and once a day.
#define ID_AUTOMATIC_BACKUPS 32795
