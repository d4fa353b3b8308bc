// Resource ids of the program's dialogs, strings and data texts.
#pragma once

enum ResourceId : int {
    // Dialogs.
    kDialogMain = 100,
    kDialogHelp = 101,
    kDialogInstallDone = 102,
    kDialogUninstallDone = 103,
    kDialogAborted = 104,
    kDialogTerms = 400,
    kDialogWelcome = 406,
    kDialogChooser = 1000,
    kDialogDisketteOffer = 1001,
    kDialogDisketteCopy = 1002,

    // String table.
    kStringProductName = 100,
    kStringChangingSettings = 1000,
    kStringRestoringSettings = 1001,
    kStringCopyingFiles = 1002,
    kStringPromptTarget = 1004,
    kStringPromptSource = 1005,
    kStringDefaultTarget = 1007,
    kStringSetupCaption = 1008,
    kStringNotAbsolute = 1009,
    kStringCreateQuestion = 1010,
    kStringCannotCreate = 1011,
    kStringCopyFailed = 1013,
    kStringRegistryFailed = 1014,
    kStringUnpackFailed = 1015,
    kStringErrorCode = 1016,
    kStringUninstallKey = 1017,
    kStringUninstallName = 1018,
    kStringDisketteCaption = 1019,
    kStringDisketteReadError = 1020,
    kStringDisketteWriteError = 1021,
    kStringDisketteDone = 1022,

    // Data texts.
    kTextTerms = 200,
    kTextTermsQuestion = 201,
    kTextWelcome = 407,
    kTextInstruction = 1006,
    kTextHelp = 1008,
};

// Controls of the main dialog the procedures write.
enum MainDialogControl : int {
    kControlStatusLine = 203,
};
