#pragma once
// Identifiers of the program's resources: strings, dialogs, controls and commands.

#define IDR_MAINFRAME 128          // document-type string, menu, toolbar, icon
#define IDD_DIALOG1 130            // interface settings
#define IDC_COMBO1 1001            // port choice in the interface settings
#define ID_ADJUSTMENT_INTERFACE 32777  // menu "Adjustment", item "&Interface"
