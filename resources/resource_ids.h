// Resource ids of the program: its dialogs and the controls it addresses,
// its icons, the string table and the data texts.
//
// resources/setup.rc includes this header too. The resource compiler takes
// the numbers from the #define lines (and skips what RC_INVOKED hides); the
// program names dialogs, strings and texts by the enumerators below, and each
// dialog's procedure names its controls, all defined by these macros, so that
// every number is written once.
#pragma once

// ---- Dialogs ----
#define IDD_MAIN 100
#define IDD_HELP 101
#define IDD_INSTALL_DONE 102
#define IDD_UNINSTALL_DONE 103
#define IDD_ABORTED 104
#define IDD_TERMS 400
#define IDD_WELCOME 406
#define IDD_CHOOSER 1000
#define IDD_DISKETTE_OFFER 1001
#define IDD_DISKETTE_COPY 1002

// ---- Controls ----
// The main dialog (100).
#define IDC_MAIN_INSTALL 200
#define IDC_MAIN_UNINSTALL 201
#define IDC_MAIN_CANCEL 202
#define IDC_MAIN_STATUS_LINE 203
#define IDC_MAIN_INSTRUCTION 204
#define IDC_MAIN_HELP 206
#define IDC_MAIN_CREDIT_LINE 207
#define IDC_MAIN_WALLPAPER 208
#define IDC_MAIN_CURSORS 209
#define IDC_MAIN_DIRECTORY 211
#define IDC_MAIN_GARDEN_NAME 212
#define IDC_MAIN_BROWSE 213
// The help (101), aborted (104) and terms (400) dialogs' text.
#define IDC_DIALOG_TEXT 200
// The terms of use (400).
#define IDC_TERMS_ACCEPT 201
#define IDC_TERMS_DECLINE 202
#define IDC_TERMS_CONSENT 203
// The welcome text (406).
#define IDC_WELCOME_TEXT 408
#define IDC_WELCOME_OK 409
// The directory chooser (1000).
#define IDC_CHOOSER_PROMPT 200
#define IDC_CHOOSER_LIST 201
#define IDC_CHOOSER_OK 202
#define IDC_CHOOSER_CANCEL 203
#define IDC_CHOOSER_PATH 204
// The diskette copy (1002).
#define IDC_DISKETTE_COPY 200
#define IDC_DISKETTE_CLOSE 201

// ---- Icons (100 is the product icon and icon index 0 of the program) ----
#define IDI_PRODUCT 100
#define IDI_NETWORK 101
#define IDI_BIN_EMPTY 102
#define IDI_BIN_FULL 103

// ---- String table ----
#define IDS_PRODUCT_NAME 100
#define IDS_CHANGING_SETTINGS 1000
#define IDS_RESTORING_SETTINGS 1001
#define IDS_COPYING_FILES 1002
#define IDS_PROMPT_TARGET 1004
#define IDS_PROMPT_SOURCE 1005
#define IDS_DEFAULT_TARGET 1007
#define IDS_SETUP_CAPTION 1008
#define IDS_NOT_ABSOLUTE 1009
#define IDS_CREATE_QUESTION 1010
#define IDS_CANNOT_CREATE 1011
#define IDS_COPY_FAILED 1013
#define IDS_REGISTRY_FAILED 1014
#define IDS_UNPACK_FAILED 1015
#define IDS_ERROR_CODE 1016
#define IDS_UNINSTALL_KEY 1017
#define IDS_UNINSTALL_NAME 1018
#define IDS_DISKETTE_CAPTION 1019
#define IDS_DISKETTE_READ_ERROR 1020
#define IDS_DISKETTE_WRITE_ERROR 1021
#define IDS_DISKETTE_DONE 1022

// ---- Data texts (RCDATA) ----
#define IDT_TERMS 200
#define IDT_TERMS_QUESTION 201
#define IDT_WELCOME 407
#define IDT_INSTRUCTION 1006
#define IDT_HELP 1008

#ifndef RC_INVOKED
enum ResourceId : int {
    // Dialogs.
    kDialogMain = IDD_MAIN,
    kDialogHelp = IDD_HELP,
    kDialogInstallDone = IDD_INSTALL_DONE,
    kDialogUninstallDone = IDD_UNINSTALL_DONE,
    kDialogAborted = IDD_ABORTED,
    kDialogTerms = IDD_TERMS,
    kDialogWelcome = IDD_WELCOME,
    kDialogChooser = IDD_CHOOSER,
    kDialogDisketteOffer = IDD_DISKETTE_OFFER,
    kDialogDisketteCopy = IDD_DISKETTE_COPY,

    // String table.
    kStringProductName = IDS_PRODUCT_NAME,
    kStringChangingSettings = IDS_CHANGING_SETTINGS,
    kStringRestoringSettings = IDS_RESTORING_SETTINGS,
    kStringCopyingFiles = IDS_COPYING_FILES,
    kStringPromptTarget = IDS_PROMPT_TARGET,
    kStringPromptSource = IDS_PROMPT_SOURCE,
    kStringDefaultTarget = IDS_DEFAULT_TARGET,
    kStringSetupCaption = IDS_SETUP_CAPTION,
    kStringNotAbsolute = IDS_NOT_ABSOLUTE,
    kStringCreateQuestion = IDS_CREATE_QUESTION,
    kStringCannotCreate = IDS_CANNOT_CREATE,
    kStringCopyFailed = IDS_COPY_FAILED,
    kStringRegistryFailed = IDS_REGISTRY_FAILED,
    kStringUnpackFailed = IDS_UNPACK_FAILED,
    kStringErrorCode = IDS_ERROR_CODE,
    kStringUninstallKey = IDS_UNINSTALL_KEY,
    kStringUninstallName = IDS_UNINSTALL_NAME,
    kStringDisketteCaption = IDS_DISKETTE_CAPTION,
    kStringDisketteReadError = IDS_DISKETTE_READ_ERROR,
    kStringDisketteWriteError = IDS_DISKETTE_WRITE_ERROR,
    kStringDisketteDone = IDS_DISKETTE_DONE,

    // Data texts.
    kTextTerms = IDT_TERMS,
    kTextTermsQuestion = IDT_TERMS_QUESTION,
    kTextWelcome = IDT_WELCOME,
    kTextInstruction = IDT_INSTRUCTION,
    kTextHelp = IDT_HELP,
};
#endif
